// EffectScene: what one GL effect supplies to the frame path. One instance per loaded
// library, made by CeateDll once the renderer is ready and destroyed by ReleaseDll
// after the GL context is gone (so a destructor makes no GL call).
#pragma once
#include <cstdint>

#include "lw/gl/phase_clock.h"
#include "lw/gl/renderer.h"

namespace lw::gl {

class EffectScene {
 public:
  EffectScene(GLRenderer& renderer, std::int32_t stepsPerTurn)
      : clock(stepsPerTurn), renderer_(renderer) {}
  virtual ~EffectScene() = default;
  EffectScene(const EffectScene&) = delete;
  EffectScene& operator=(const EffectScene&) = delete;

  // Once, from CeateDll: texture and display lists in the renderer's context. False
  // when the scene cannot run (its memory could not be had); CeateDll then fails.
  virtual bool BuildScene() = 0;
  // The fixed settings CeateDll gives a new scene, right after BuildScene.
  virtual void ApplyInitialSettings() {}
  // One frame from the locked pixels (imageWidth x imageHeight of the renderer).
  virtual void RenderFrame(const std::uint16_t* pixels) = 0;
  // The key's low byte.
  virtual void OnKey(std::uint8_t /*code*/) {}
  virtual void StreamOutPlay() { clock.Reset(); }

  PhaseClock clock;
  GLuint texture = 0;

 protected:
  GLRenderer& renderer() const { return renderer_; }
  // Makes the context current, CreateTexture into `texture`; pair with EndBuild.
  void BeginBuild();
  void EndBuild() { renderer_.ReleaseCurrent(); }
  // Makes the context current, uploads the frame into `texture`, selects the
  // model-view matrix, clears the colour buffer and loads the identity.
  void BeginFrame(const std::uint16_t* pixels);
  // glFlush, so the bitmap gets the whole picture, and release the context.
  void EndFrame();

 private:
  GLRenderer& renderer_;
};

}  // namespace lw::gl

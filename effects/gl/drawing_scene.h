// A GL effect scene whose frame is the frame path's frame around one piece of drawing:
// make current and upload, Draw, flush and release. Draw is public so that the drawing
// can be timed on its own, against the whole EffectOut.
#pragma once
#include <cstdint>

#include "lw/gl/effect_scene.h"

namespace lw::effects {

class DrawingScene : public gl::EffectScene {
 public:
  using EffectScene::EffectScene;

  void RenderFrame(const std::uint16_t* pixels) final {
    BeginFrame(pixels);
    Draw();
    EndFrame();
  }
  // With the context current, the frame uploaded into `texture` (bound), the colour
  // buffer cleared and the model-view identity loaded: advance the clock and draw.
  virtual void Draw() = 0;
};

}  // namespace lw::effects

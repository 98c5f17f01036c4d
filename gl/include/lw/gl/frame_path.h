// The frame of every GL plug-in around its effect: CeateDll, EffectOut, ReleaseDll,
// keys and play, shared by the eight GL plug-ins as their hooks.
//
// How to add a GL effect
// ----------------------
// 1. In effects/gl/<effect>.cpp derive a scene from EffectScene: BuildScene (make the
//    renderer's context current, take a texture with CreateTexture, compile display
//    lists, release), ApplyInitialSettings, RenderFrame (BeginFrame, advance the clock
//    and draw, EndFrame), and OnKey / StreamOutPlay where the effect reacts. Keys'
//    counters that must survive a release are library-wide variables of that source.
// 2. Describe it with a GlEffect constant, { "<deliverable>", MakeScene<YourScene> },
//    and export `const plugin::PluginHooks kYourHooks = GlPluginHooks<kYourEffect>();`.
// 3. Make sure the deliverable has its row in kRendererSettings (gl/renderer.h): the
//    camera, blending and keying, filter, smallMode and sphere mapping come from there.
// 4. plugins/<deliverable>/plugin.cpp: LW_DEFINE_PLUGIN("<deliverable>", kYourHooks,
//    "LABEL"); and one lw_add_plugin line with the effect's sources and LIBRARIES lwgl.
// The frame path does the rest: host objects, the WorkSurface and its layout test, the
// renderer, the SmallSurface in smallMode, the failure notice, the lock and the copy.
#pragma once
#include <cstdint>
#include <memory>
#include <string_view>

#include "lw/gl/effect_scene.h"
#include "lw/plugin/entry_points.h"
#include "lw/plugin/host_objects.h"

namespace lw::gl {

struct GlEffect {
  std::string_view deliverable;  // its row of kRendererSettings
  std::unique_ptr<EffectScene> (*makeScene)(GLRenderer& renderer);
};

template <class Scene>
std::unique_ptr<EffectScene> MakeScene(GLRenderer& renderer) {
  return std::unique_ptr<EffectScene>(new (std::nothrow) Scene(renderer));
}

// The notice written onto the frame when the renderer cannot be set up: its 24 bytes
// in code page 932, drawn amber on black at the top-left corner.
inline constexpr char kFailureNotice[24] = {
    '\x82', '\xb1', '\x82', '\xcc', '\x8a', '\xc2', '\x8b', '\xab', '\x82', '\xc5', '\x82', '\xcd',
    '\x93', '\xae', '\x8d', '\xec', '\x82', '\xb5', '\x82', '\xdc', '\x82', '\xb9', '\x82', '\xf1'};
inline constexpr COLORREF kNoticeBackground = 0x000000;
inline constexpr COLORREF kNoticeText = 0x0484B4;  // red 180, green 132, blue 4

std::int32_t GlCeateDll(const GlEffect& effect);
std::int32_t GlEffectOut(Surface* surface);
void GlReleaseDll();
void GlKeyTriggered(std::uint8_t code);
void GlStreamOutPlay();

// The library's renderer and scene, for tests linked with the frame path directly.
GLRenderer* CurrentRenderer();
EffectScene* CurrentScene();

template <const GlEffect& kEffect>
constexpr plugin::PluginHooks GlPluginHooks() {
  return plugin::PluginHooks{
      .checkDll = plugin::CheckHost,
      .createDll = [] { return GlCeateDll(kEffect); },
      .releaseDll = GlReleaseDll,
      .effectOut = GlEffectOut,
      .keyTriggered = GlKeyTriggered,
      .streamOutPlay = GlStreamOutPlay,
  };
}

}  // namespace lw::gl

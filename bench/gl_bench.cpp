// The GL plug-ins' frame at 320 by 240: the whole EffectOut against the bare drawing of
// the same scene (no 16-bit conversion, no upload, no read-back, no copy), and the
// pieces between them: conversion in, upload, make current with read-back, conversion
// out. Run with LP_NUM_THREADS=0 (set here when absent) for steady numbers.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "effects/gl/hooks.h"
#include "effects/gl/single_list_scene.h"
#include "effects/gl/tile_chain.h"
#include "gl_frames.h"
#include "lw/gl/frame_path.h"
#include "lw/gl/texels.h"
#include "lw/platform.h"

namespace lw::test {
namespace {

// Each GL effect with the drawing proper of its scene: what RenderFrame does between
// the upload and the flush.
struct Effect {
  const char* name;
  const plugin::PluginHooks* hooks;
  void (*draw)(gl::EffectScene* scene);
};
void DrawChain(gl::EffectScene* scene) { static_cast<effects::TileChainScene*>(scene)->DrawChain(); }
void DrawScene(gl::EffectScene* scene) { static_cast<effects::SingleListScene*>(scene)->Draw(); }
const Effect kEffects[] = {{"split_mulch_rotation", &effects::kSplitMulchRotationHooks, DrawChain},
                           {"mulch_rotation", &effects::kMulchRotationHooks, DrawChain},
                           {"mulch_cylinder", &effects::kMulchCylinderHooks, DrawChain},
                           {"flat_resize", &effects::kFlatResizeHooks, DrawScene},
                           {"planes", &effects::kPlanesHooks, DrawScene},
                           {"room", &effects::kRoomHooks, DrawScene},
                           {"flat_rotation", &effects::kFlatRotationHooks, DrawScene},
                           {"flat_move", &effects::kFlatMoveHooks, DrawScene}};

// A created plug-in that has drawn its first frames, so the timings see its scene
// part way through its animation, as in play.
struct Running {
  explicit Running(const plugin::PluginHooks& hooks) : run(hooks) {
    run.Create();
    run.Play(1000);
    run.Frame(1000, in);
    run.Frame(1000 + 2000, in);
  }
  test::Frame in = GradientFrame();
  HookRun run;
};

void BM_EffectOut(benchmark::State& state, const Effect* effect) {
  const plugin::PluginHooks* hooks = effect->hooks;
  Running r(*hooks);
  r.run.surface().Write(r.in.data());
  for (auto _ : state) benchmark::DoNotOptimize(hooks->effectOut(r.run.surface().get()));
}

// The scene's own drawing: clear, the scene's geometry, and glFinish so the
// rasteriser's work is inside the timing as the read-back of a real frame puts it.
void BM_BareDrawing(benchmark::State& state, const Effect* effect) {
  Running r(*effect->hooks);
  gl::EffectScene* scene = gl::CurrentScene();
  gl::CurrentRenderer()->MakeCurrent();
  glBindTexture(GL_TEXTURE_2D, scene->texture);
  for (auto _ : state) {
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    effect->draw(scene);
    glFinish();
  }
  gl::CurrentRenderer()->ReleaseCurrent();
}

void BM_DrawingWithUpload(benchmark::State& state, const plugin::PluginHooks* hooks) {
  Running r(*hooks);
  auto* scene = static_cast<effects::TileChainScene*>(gl::CurrentScene());
  gl::GLRenderer& renderer = *gl::CurrentRenderer();
  renderer.MakeCurrent();
  for (auto _ : state) {
    glBindTexture(GL_TEXTURE_2D, scene->texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, renderer.texels.get());
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    scene->DrawChain();
    glFinish();
  }
  renderer.ReleaseCurrent();
}

void BM_ConversionIn(benchmark::State& state) {
  const test::Frame in = GradientFrame();
  std::vector<std::uint32_t> texels(512 * 256);
  for (auto _ : state) {
    gl::ConvertFrameToTexels(in.data(), 320, 240, gl::PixelLayout::Rgb565, true, texels.data());
    benchmark::ClobberMemory();
  }
}

void BM_Upload(benchmark::State& state) {
  Running r(effects::kSplitMulchRotationHooks);
  gl::GLRenderer& renderer = *gl::CurrentRenderer();
  renderer.MakeCurrent();
  glBindTexture(GL_TEXTURE_2D, gl::CurrentScene()->texture);
  for (auto _ : state) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, renderer.texels.get());
    glFinish();
  }
  renderer.ReleaseCurrent();
}

void BM_MakeCurrentAndReadBack(benchmark::State& state) {
  Running r(effects::kSplitMulchRotationHooks);
  gl::GLRenderer& renderer = *gl::CurrentRenderer();
  for (auto _ : state) {
    renderer.MakeCurrent();
    renderer.ReleaseCurrent();
  }
}

// The read-back proper, with the context current throughout.
void BM_ReadPixels(benchmark::State& state) {
  Running r(effects::kSplitMulchRotationHooks);
  gl::GLRenderer& renderer = *gl::CurrentRenderer();
  renderer.MakeCurrent();
  const GLenum format = static_cast<GLenum>(state.range(0));
  for (auto _ : state) glReadPixels(0, 0, 320, 240, format, GL_UNSIGNED_BYTE, renderer.bits);
  renderer.ReleaseCurrent();
}

void BM_ConversionOut(benchmark::State& state) {
  Running r(effects::kSplitMulchRotationHooks);
  Surface* surface = r.run.surface().get();
  for (auto _ : state) {
    HDC dc = nullptr;
    GetDC(surface, &dc);
    BitBlt(dc, 0, 0, 320, 240, gl::CurrentRenderer()->memoryDC, 0, 0, SRCCOPY);
    ReleaseDC(surface, dc);
  }
}

}  // namespace
}  // namespace lw::test

int main(int argc, char** argv) {
  setenv("LP_NUM_THREADS", "0", 0);  // before Mesa loads its driver
  using namespace lw::test;
  for (const auto& e : kEffects) {
    benchmark::RegisterBenchmark((std::string("EffectOut/") + e.name).c_str(), BM_EffectOut, &e)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((std::string("BareDrawing/") + e.name).c_str(), BM_BareDrawing, &e)
        ->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("DrawingWithUpload", BM_DrawingWithUpload, &lw::effects::kSplitMulchRotationHooks)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Piece/ConversionIn", BM_ConversionIn)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Piece/Upload", BM_Upload)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Piece/MakeCurrentAndReadBack", BM_MakeCurrentAndReadBack)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Piece/ReadPixels", BM_ReadPixels)->Arg(GL_BGRA)->Arg(GL_RGBA)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Piece/ConversionOut", BM_ConversionOut)->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

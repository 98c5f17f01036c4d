#include "lw/gl/frame_path.h"

#include <new>

#include "lw/plugin/surfaces.h"

namespace lw::gl {

void EffectScene::BeginBuild() {
  renderer_.MakeCurrent();
  const std::int64_t name = renderer_.CreateTexture();
  texture = name >= 0 ? static_cast<GLuint>(name) : 0;
}

void EffectScene::BeginFrame(const std::uint16_t* pixels) {
  renderer_.MakeCurrent();
  // The upload comes first: neither step touches what the other does, and a texture
  // update after the clear makes Mesa's rasteriser flush the cleared frame and load
  // it back before drawing, which costs more than the upload itself.
  renderer_.UploadFrame(texture, pixels);
  glMatrixMode(GL_MODELVIEW);
  glClear(GL_COLOR_BUFFER_BIT);
  glLoadIdentity();
}

void EffectScene::EndFrame() {
  glFlush();
  renderer_.ReleaseCurrent();
}

namespace {

// The library-wide objects of a GL plug-in; empty at load and after ReleaseDll.
std::unique_ptr<GLRenderer> gRenderer;
std::unique_ptr<EffectScene> gScene;

void DrawFailureNotice(Surface* surface) {
  HDC dc = nullptr;
  if (GetDC(surface, &dc) != DD_OK) return;
  SetBkColor(dc, kNoticeBackground);
  SetTextColor(dc, kNoticeText);
  TextOutA(dc, 0, 0, kFailureNotice, sizeof kFailureNotice);
  ReleaseDC(surface, dc);
}

// Renders from a locked surface only when it holds the whole image the renderer
// converts: a smaller surface would be read past its end. Otherwise, as for a lock
// that fails, the bitmap keeps the previous picture.
void RenderFrom(Surface* surface) {
  plugin::LockedSurface locked(surface);
  if (!locked.ok() || locked.width() != gRenderer->imageWidth ||
      locked.height() != gRenderer->imageHeight)
    return;
  gScene->RenderFrame(locked.pixels());
}

}  // namespace

std::int32_t GlCeateDll(const GlEffect& effect) {
  GlReleaseDll();  // a second CeateDll without ReleaseDll must not leak the first
  const RendererSettings* settings = FindRendererSettings(effect.deliverable);
  if (settings == nullptr) return 0;
  if (plugin::CreateWorkSurface(plugin::HostRole::Gl) == 0) return 0;
  Surface* work = plugin::WorkSurface();

  // Layout test. Without a lock there is no mask to read; RGB565 is the default.
  PixelLayout layout = PixelLayout::Rgb565;
  {
    plugin::LockedSurface locked(work);
    if (locked.ok()) layout = locked.layout();
  }

  gRenderer.reset(new (std::nothrow) GLRenderer(*settings));
  if (gRenderer == nullptr) {
    GlReleaseDll();
    return 0;
  }
  HDC dc = nullptr;
  if (GetDC(work, &dc) == DD_OK) {
    if (gRenderer->Create(kBitmapWidth, kBitmapHeight) == 1) {
      gRenderer->SetupGL(layout, settings->smallMode ? 1 : 0);
      gScene = effect.makeScene(*gRenderer);
      if (gScene == nullptr || gRenderer->texels == nullptr || !gScene->BuildScene()) {
        ReleaseDC(work, dc);
        GlReleaseDll();
        return 0;
      }
      gScene->ApplyInitialSettings();
    }
    ReleaseDC(work, dc);
  }
  if (gRenderer->smallMode == 1 && plugin::CreateSmallSurface() == 0) {
    GlReleaseDll();
    return 0;
  }
  return 1;
}

std::int32_t GlEffectOut(Surface* surface) {
  if (gRenderer == nullptr) return 0;  // no successful CeateDll: touch nothing
  if (gRenderer->ready == 0 || gScene == nullptr) {
    DrawFailureNotice(surface);
    return 0;
  }
  if (gRenderer->smallMode == 1) {
    Blt(plugin::SmallSurface(), nullptr, surface, nullptr, DDBLT_WAIT, nullptr);
    RenderFrom(plugin::SmallSurface());
  } else {
    RenderFrom(surface);
  }
  HDC dc = nullptr;
  if (GetDC(surface, &dc) != DD_OK) return 0;
  BitBlt(dc, 0, 0, kBitmapWidth, kBitmapHeight, gRenderer->memoryDC, 0, 0, SRCCOPY);
  ReleaseDC(surface, dc);
  return 1;
}

void GlReleaseDll() {
  if (gRenderer != nullptr) {
    gRenderer->DeleteContext();
    gRenderer.reset();
  }
  gScene.reset();
  plugin::ReleaseSurfaces();
}

void GlKeyTriggered(std::uint8_t code) {
  if (gScene != nullptr) gScene->OnKey(code);
}

void GlStreamOutPlay() {
  if (gScene != nullptr) gScene->StreamOutPlay();
}

GLRenderer* CurrentRenderer() { return gRenderer.get(); }
EffectScene* CurrentScene() { return gScene.get(); }

}  // namespace lw::gl

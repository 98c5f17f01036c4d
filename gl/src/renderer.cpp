#include "lw/gl/renderer.h"

#include <GL/glu.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "lw/gl/texels.h"

namespace lw::gl {
namespace {

constexpr std::size_t kHeaderSize = sizeof(BITMAPINFOHEADER);

void PutHeader(std::vector<std::uint8_t>& block, const BITMAPINFOHEADER& h) {
  std::memcpy(block.data(), &h, sizeof h);
}

}  // namespace

BitmapInfoBlock MakeBitmapInfo(std::int32_t width, std::int32_t height, int depth) {
  BITMAPINFOHEADER h{};
  h.biSize = kHeaderSize;
  h.biWidth = width;
  h.biHeight = height;  // positive: bottom-up
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(depth);
  h.biCompression = BI_RGB;
  BitmapInfoBlock b;
  b.usage = DIB_RGB_COLORS;
  if (depth == 8) {
    b.bytes.assign(kHeaderSize + 256 * sizeof(std::uint16_t), 0);
    for (std::uint16_t i = 0; i < 256; ++i)
      std::memcpy(b.bytes.data() + kHeaderSize + i * sizeof i, &i, sizeof i);
    b.usage = DIB_PAL_COLORS;
  } else if (depth == 16) {
    b.bytes.assign(kHeaderSize + 3 * sizeof(DWORD), 0);
    h.biCompression = BI_BITFIELDS;
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(b.bytes.data() + kHeaderSize, masks, sizeof masks);
  } else {
    b.bytes.assign(kHeaderSize + sizeof(RGBQUAD), 0);
  }
  PutHeader(b.bytes, h);
  return b;
}

GLRenderer::GLRenderer(const RendererSettings& settings)
    : eye(settings.eye), zFar(settings.zFar), fovy(settings.fovy), settings_(settings) {}

GLRenderer::~GLRenderer() {
  if (context != nullptr) DeleteContext();
  texels.reset();
  if (bitmap != nullptr) {
    SelectObject(memoryDC, nullptr);  // a bitmap still selected cannot be deleted
    DeleteObject(bitmap);
  }
  if (memoryDC != nullptr) DeleteDC(memoryDC);
}

void GLRenderer::MakeOffscreenBitmap() {
  HDC screen = GetScreenDC();
  memoryDC = CreateCompatibleDC(screen);
  ReleaseScreenDC(screen);
  if (memoryDC == nullptr) return;
  const BitmapInfoBlock block = MakeBitmapInfo(width, height, GetDeviceCaps(memoryDC, BITSPIXEL));
  bitmap = CreateDIBSection(nullptr, block.info(), block.usage, &bits, nullptr, 0);
  if (bitmap == nullptr) {
    DeleteDC(memoryDC);
    memoryDC = nullptr;
    bits = nullptr;
    return;
  }
  SelectObject(memoryDC, bitmap);
}

std::int32_t GLRenderer::Create(std::int32_t w, std::int32_t h) {
  width = w;
  height = h;
  MakeOffscreenBitmap();
  pixelFormat = {};
  pixelFormat.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  pixelFormat.nVersion = 1;
  pixelFormat.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
  pixelFormat.iPixelType = PFD_TYPE_RGBA;
  pixelFormat.cColorBits = static_cast<BYTE>(memoryDC != nullptr ? GetDeviceCaps(memoryDC, BITSPIXEL) : 0);
  pixelFormat.cDepthBits = 32;
  pixelFormat.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(memoryDC, &pixelFormat);
  if (format == 0) return 0;
  if (!SetPixelFormat(memoryDC, format, &pixelFormat)) return 0;
  context = CreateGLContext(memoryDC);
  if (context == nullptr) return 0;
  ready = 1;
  return 1;
}

bool GLRenderer::MakeCurrent() const { return lw::MakeCurrent(memoryDC, context) == TRUE; }

void GLRenderer::ReleaseCurrent() const { lw::MakeCurrent(nullptr, nullptr); }

void GLRenderer::SetupGL(PixelLayout pixelLayout, std::int32_t small) {
  MakeCurrent();
  glClearColor(0, 0, 0, 0);
  if (settings_.blending) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
  }
  glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);
  glHint(GL_POINT_SMOOTH_HINT, GL_FASTEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_TEXTURE_2D);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glGenTextures(2, textureNames.data());
  if (settings_.sphereMap) {
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  }
  ReleaseCurrent();
  SetProjection(width, height);
  layout = pixelLayout;
  smallMode = small;
  if (smallMode) {
    textureWidth = imageWidth = 256;
    textureHeight = imageHeight = 128;
  } else {
    textureWidth = 512;
    textureHeight = 256;
    imageWidth = 320;
    imageHeight = 240;
  }
  const auto count = static_cast<std::size_t>(textureWidth) * textureHeight;
  texels.reset(new (std::nothrow) std::uint32_t[count]);
  if (texels != nullptr) std::fill_n(texels.get(), count, 0u);
}

void GLRenderer::SetProjection(std::int32_t w, std::int32_t h) {
  width = w;
  height = h;
  const std::int32_t larger = std::max(w, h), smaller = std::min(w, h);
  aspect = smaller > 0 ? static_cast<float>(larger) / static_cast<float>(smaller) : 1.0f;
  MakeCurrent();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(fovy, aspect, zNear, zFar);
  gluLookAt(eye.x, eye.y, eye.z, center.x, center.y, center.z, up.x, up.y, up.z);
  ReleaseCurrent();
}

std::int64_t GLRenderer::CreateTexture() {
  if (lastTexture >= 1) return -1;
  ++lastTexture;
  const GLuint name = textureNames[static_cast<std::size_t>(lastTexture)];
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, settings_.textureFilter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, settings_.textureFilter);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, textureWidth, textureHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               texels.get());
  return name;
}

void GLRenderer::UploadFrame(GLuint texture, const std::uint16_t* pixels) {
  if (texels == nullptr || pixels == nullptr) return;
  ConvertFrameToTexels(pixels, imageWidth, imageHeight, layout, settings_.keyNearBlack, texels.get());
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, imageWidth, imageHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                  texels.get());
}

BOOL GLRenderer::DeleteContext() {
  if (context == nullptr) return FALSE;
  const BOOL result = DeleteGLContext(context);
  if (result) context = nullptr;  // a context current elsewhere is kept for a retry
  return result;
}

}  // namespace lw::gl

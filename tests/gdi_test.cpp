// The platform's device contexts, bitmaps, text and offscreen GL contexts: the rules
// of a surface's context, the checks on bitmap headers, the copy onto a surface in
// both 16-bit layouts, the notice's text, and GL contexts made current and released
// on several threads without disturbing a context the thread had before.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "gl_frames.h"
#include "lw/gl/frame_path.h"
#include "lw/gl/renderer.h"
#include "lw/host/frames.h"
#include "lw/platform.h"

namespace lw::test {
namespace {

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = FreshHost();
    dcs_ = LiveDeviceContextCount();
    bitmaps_ = LiveBitmapCount();
    contexts_ = LiveGLContextCount();
  }
  void TearDown() override {
    ClearFaults();
    SetDisplayDepth(32);
    EXPECT_EQ(LiveDeviceContextCount(), dcs_);
    EXPECT_EQ(LiveBitmapCount(), bitmaps_);
    EXPECT_EQ(LiveGLContextCount(), contexts_);
  }
  // A memory context holding a 32-bit bitmap of the given size.
  struct MemoryBitmap {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    std::uint8_t* bits = nullptr;
    ~MemoryBitmap() {
      SelectObject(dc, nullptr);
      DeleteObject(bitmap);
      DeleteDC(dc);
    }
  };
  static void Make(MemoryBitmap& m, int width, int height, int depth = 32) {
    m.dc = CreateCompatibleDC(nullptr);
    const auto block = gl::MakeBitmapInfo(width, height, depth);
    void* bits = nullptr;
    m.bitmap = CreateDIBSection(nullptr, block.info(), block.usage, &bits, nullptr, 0);
    m.bits = static_cast<std::uint8_t*>(bits);
    SelectObject(m.dc, m.bitmap);
  }
  std::unique_ptr<host::HostEnvironment> host_;
  std::size_t dcs_ = 0, bitmaps_ = 0, contexts_ = 0;
};

TEST_F(GdiTest, ASurfaceWithItsContextOutIsBusy) {
  host::HostSurface s(host_->directDraw(), 32, 16);
  HDC dc = nullptr, second = nullptr;
  ASSERT_EQ(GetDC(s.get(), &dc), DD_OK);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 16);
  EXPECT_EQ(GetDC(s.get(), &second), DDERR_DCALREADYCREATED);
  DDSURFACEDESC desc = plugin::EmptySurfaceDesc();
  EXPECT_EQ(Lock(s.get(), nullptr, &desc, 0, nullptr), DDERR_SURFACEBUSY);
  host::HostSurface other(host_->directDraw(), 32, 16);
  EXPECT_EQ(Blt(s.get(), nullptr, other.get(), nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(Blt(other.get(), nullptr, s.get(), nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(ReleaseDC(other.get(), dc), DDERR_NODC);
  EXPECT_EQ(ReleaseDC(s.get(), nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(ReleaseDC(s.get(), dc), DD_OK);
  EXPECT_EQ(ReleaseDC(s.get(), dc), DDERR_NODC);
  EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID) << "a released context is stale";
  ASSERT_EQ(Lock(s.get(), nullptr, &desc, 0, nullptr), DD_OK);
  EXPECT_EQ(GetDC(s.get(), &dc), DDERR_SURFACEBUSY) << "locked";
  Unlock(s.get(), nullptr);
  EXPECT_EQ(GetDC(nullptr, &dc), DDERR_INVALIDOBJECT);
  EXPECT_EQ(GetDC(s.get(), nullptr), DDERR_INVALIDPARAMS);
  InjectFault(Fault::GetDC, 1);
  EXPECT_EQ(GetDC(s.get(), &dc), DDERR_CANTCREATEDC);
  // A context still out goes with its surface.
  Surface* loose = nullptr;
  ASSERT_EQ(CreateHostSurface(host_->directDraw(), 8, 8, 0, &loose), DD_OK);
  ASSERT_EQ(GetDC(loose, &dc), DD_OK);
  Release(loose);
}

TEST_F(GdiTest, BitmapHeadersAreChecked) {
  auto block = gl::MakeBitmapInfo(16, 8, 32);
  auto header = [&] { return reinterpret_cast<BITMAPINFOHEADER*>(block.bytes.data()); };
  struct Case {
    const char* what;
    void (*spoil)(BITMAPINFOHEADER*, UINT*);
  } cases[] = {
      {"header size", [](BITMAPINFOHEADER* h, UINT*) { h->biSize = 12; }},
      {"planes", [](BITMAPINFOHEADER* h, UINT*) { h->biPlanes = 2; }},
      {"depth", [](BITMAPINFOHEADER* h, UINT*) { h->biBitCount = 12; }},
      {"zero width", [](BITMAPINFOHEADER* h, UINT*) { h->biWidth = 0; }},
      {"huge", [](BITMAPINFOHEADER* h, UINT*) { h->biHeight = 1 << 20; }},
      {"palette at 32 bits", [](BITMAPINFOHEADER*, UINT* u) { *u = DIB_PAL_COLORS; }},
      {"bit fields at 32 bits", [](BITMAPINFOHEADER* h, UINT*) { h->biCompression = BI_BITFIELDS; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    block = gl::MakeBitmapInfo(16, 8, 32);
    UINT usage = block.usage;
    c.spoil(header(), &usage);
    void* bits = nullptr;
    EXPECT_EQ(CreateDIBSection(nullptr, block.info(), usage, &bits, nullptr, 0), nullptr);
  }
  block = gl::MakeBitmapInfo(16, 8, 16);
  std::memset(block.bytes.data() + 40, 0, 12);  // no masks
  EXPECT_EQ(CreateDIBSection(nullptr, block.info(), block.usage, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(CreateDIBSection(nullptr, nullptr, 0, nullptr, nullptr, 0), nullptr);
  InjectFault(Fault::DibSection, 1);
  block = gl::MakeBitmapInfo(16, 8, 32);
  EXPECT_EQ(CreateDIBSection(nullptr, block.info(), block.usage, nullptr, nullptr, 0), nullptr);
  InjectFault(Fault::MemoryDC, 1);
  EXPECT_EQ(CreateCompatibleDC(nullptr), nullptr);
}

TEST_F(GdiTest, ContextsReportTheDisplayDepthAndBitmapsBelongToOneContext) {
  for (int depth : {8, 16, 24, 32}) {
    ASSERT_TRUE(SetDisplayDepth(depth));
    HDC screen = GetScreenDC();
    HDC m = CreateCompatibleDC(screen);
    ReleaseScreenDC(screen);
    EXPECT_EQ(GetDeviceCaps(m, BITSPIXEL), depth);
    DeleteDC(m);
  }
  EXPECT_FALSE(SetDisplayDepth(15));
  MemoryBitmap a;
  Make(a, 8, 8);
  HDC b = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(b, a.bitmap), nullptr) << "already selected elsewhere";
  EXPECT_EQ(DeleteObject(a.bitmap), FALSE) << "still selected";
  EXPECT_EQ(DeleteDC(b), TRUE);
  EXPECT_EQ(DeleteDC(b), FALSE);
  EXPECT_EQ(ReleaseScreenDC(a.dc), FALSE) << "not the screen's";
}

// The 32-bit bitmap (blue, green, red, unused; rows bottom-up) lands on the surface in
// its layout, the block clipped to the surface.
TEST_F(GdiTest, BitBltConvertsToTheSurfaceLayout) {
  MemoryBitmap m;
  Make(m, 320, 240);
  auto pixel = [&](int x, int y) { return m.bits + (239 - y) * 320 * 4 + x * 4; };
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      std::uint8_t* p = pixel(x, y);
      p[0] = static_cast<std::uint8_t>(x);  // blue
      p[1] = static_cast<std::uint8_t>(y);  // green
      p[2] = static_cast<std::uint8_t>(x + y);  // red
      p[3] = 0x5A;
    }
  for (DisplayMode mode : {DisplayMode::Rgb565, DisplayMode::Rgb555}) {
    auto host = FreshHost(mode);
    for (auto [w, h] : {std::pair{320, 240}, std::pair{37, 19}}) {
      SCOPED_TRACE(w);
      host::HostSurface s(host->directDraw(), w, h, (w * 2 + 14) / 16 * 16);
      HDC dc = nullptr;
      ASSERT_EQ(GetDC(s.get(), &dc), DD_OK);
      EXPECT_EQ(BitBlt(dc, 0, 0, 320, 240, m.dc, 0, 0, 0x00330008), FALSE) << "only SRCCOPY";
      EXPECT_EQ(BitBlt(dc, 0, 0, 320, 240, m.dc, 0, 0, SRCCOPY), TRUE);
      EXPECT_EQ(BitBlt(m.dc, 0, 0, 320, 240, dc, 0, 0, SRCCOPY), FALSE) << "surface to memory";
      ReleaseDC(s.get(), dc);
      Frame out(static_cast<std::size_t>(w) * h);
      s.Read(out.data());
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const std::uint8_t* p = pixel(x, y);
          ASSERT_EQ(out[y * w + x], host::PackRgb(p[2], p[1], p[0], mode)) << x << "," << y;
        }
    }
  }
}

TEST_F(GdiTest, TextOutDrawsTheNoticeAndRefusesWhatItCannotDraw) {
  for (DisplayMode mode : {DisplayMode::Rgb565, DisplayMode::Rgb555}) {
    auto host = FreshHost(mode);
    host::HostSurface s(host->directDraw(), 200, 20);
    const std::uint16_t grey = host::PackRgb(128, 128, 128, mode);
    s.Write(Frame(200 * 20, grey).data());
    HDC dc = nullptr;
    ASSERT_EQ(GetDC(s.get(), &dc), DD_OK);
    EXPECT_EQ(SetBkColor(dc, 0), RGB(255, 255, 255)) << "the previous colour";
    SetTextColor(dc, gl::kNoticeText);
    EXPECT_EQ(TextOutA(dc, 0, 0, gl::kFailureNotice, 24), TRUE);
    EXPECT_EQ(TextOutA(dc, 190, 10, gl::kFailureNotice, 24), TRUE) << "clipped at the edge";
    EXPECT_EQ(TextOutA(dc, 0, 0, "\x81", 1), TRUE) << "a broken byte is no crash";
    EXPECT_EQ(TextOutA(dc, 0, 0, nullptr, 3), FALSE);
    ReleaseDC(s.get(), dc);
    Frame out(200 * 20);
    s.Read(out.data());
    int amber = 0;
    for (std::uint16_t p : out) {
      std::uint8_t rgb[3];
      host::UnpackRgb(p, mode, rgb);
      amber += rgb[0] >= 168 && rgb[1] >= 120 && rgb[1] <= 140 && rgb[2] <= 8;
    }
    EXPECT_GT(amber, 150);
    EXPECT_EQ(out[19 * 200 + 100], grey) << "below the text box";
  }
  MemoryBitmap m;
  Make(m, 8, 8);
  EXPECT_EQ(TextOutA(m.dc, 0, 0, "A", 1), FALSE) << "only a surface's context takes text";
}

// Draws the notice with the only font fontconfig knows being a bitmap font whose
// glyphs are 16 by 16 cells with their left half set, and exits 0 when every cell shows
// exactly that: glyphs stored one bit a pixel must not be read as one byte a pixel.
[[noreturn]] void DrawNoticeWithABitmapFont() {
  const std::filesystem::path dir =
      std::filesystem::path(testing::TempDir()) / ("lw-bitmap-font-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  {
    std::ofstream bdf(dir / "halves.bdf");
    bdf << "STARTFONT 2.1\nFONT -lw-halves-medium-r-normal--16-160-75-75-c-160-iso10646-1\n"
           "SIZE 16 75 75\nFONTBOUNDINGBOX 16 16 0 -2\nSTARTPROPERTIES 5\nPIXEL_SIZE 16\n"
           "FONT_ASCENT 14\nFONT_DESCENT 2\nCHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\n"
           "ENDPROPERTIES\nCHARS 12\n";
    for (int code : {0x3053, 0x306E, 0x74B0, 0x5883, 0x3067, 0x306F, 0x52D5, 0x4F5C, 0x3057, 0x307E,
                     0x305B, 0x3093}) {  // the notice's twelve characters
      bdf << "STARTCHAR c" << code << "\nENCODING " << code
          << "\nSWIDTH 1000 0\nDWIDTH 16 0\nBBX 16 16 0 -2\nBITMAP\n";
      for (int row = 0; row < 16; ++row) bdf << "FF00\n";
      bdf << "ENDCHAR\n";
    }
    bdf << "ENDFONT\n";
    std::ofstream(dir / "fonts.conf")
        << "<?xml version=\"1.0\"?>\n<fontconfig><dir>" << dir.string() << "</dir><cachedir>"
        << (dir / "cache").string() << "</cachedir></fontconfig>\n";
  }
  setenv("FONTCONFIG_FILE", (dir / "fonts.conf").c_str(), 1);

  const std::uint16_t grey = host::PackRgb(128, 128, 128, DisplayMode::Rgb565);
  Frame out(200 * 20);
  BOOL drawn = FALSE;
  {  // host and surface gone before the exit, which runs no destructor of this frame
    auto host = FreshHost();
    host::HostSurface s(host->directDraw(), 200, 20);
    s.Write(Frame(200 * 20, grey).data());
    HDC dc = nullptr;
    GetDC(s.get(), &dc);
    SetBkColor(dc, gl::kNoticeBackground);
    SetTextColor(dc, gl::kNoticeText);
    drawn = TextOutA(dc, 0, 0, gl::kFailureNotice, 24);
    ReleaseDC(s.get(), dc);
    s.Read(out.data());
  }
  std::filesystem::remove_all(dir);

  const std::uint16_t amber = host::PackRgb(180, 132, 4, DisplayMode::Rgb565);
  int wrong = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 192; ++x) wrong += out[y * 200 + x] != (x % 16 < 8 ? amber : 0);
  for (int x = 0; x < 200; ++x) wrong += out[19 * 200 + x] != grey;
  std::fprintf(stderr, "drawn %d, %d pixels wrong\n", drawn, wrong);
  std::exit(drawn == TRUE && wrong == 0 ? 0 : 1);
}

// In a process of its own, so that the font chosen there is the test's.
TEST(TextFontTest, BitmapStrikesAreReadOneBitAPixel) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(DrawNoticeWithABitmapFont(), testing::ExitedWithCode(0), "0 pixels wrong");
}

// --- GL contexts ---

// A memory context with a 320 by 240 bitmap and its pixel format set, and a context
// made for it; all of it goes at the end of the scope.
struct GlTarget {
  GlTarget() {
    dc = CreateCompatibleDC(nullptr);
    const auto block = gl::MakeBitmapInfo(320, 240, 32);
    void* b = nullptr;
    bitmap = CreateDIBSection(nullptr, block.info(), block.usage, &b, nullptr, 0);
    bits = static_cast<std::uint32_t*>(b);
    SelectObject(dc, bitmap);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 32;
    EXPECT_EQ(ChoosePixelFormat(dc, &pfd), 1);
    EXPECT_EQ(SetPixelFormat(dc, 1, &pfd), TRUE);
    context = CreateGLContext(dc);
  }
  ~GlTarget() {
    DeleteGLContext(context);
    SelectObject(dc, nullptr);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  // Clears to a colour and releases; the bitmap then holds it.
  bool ClearTo(float r, float g, float b) const {
    if (!MakeCurrent(dc, context)) return false;
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    return MakeCurrent(nullptr, nullptr) == TRUE;
  }
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  std::uint32_t* bits = nullptr;
  HGLRC context = nullptr;
};

using GlContextTest = GdiTest;

TEST_F(GlContextTest, DrawsIntoTheBitmapOnRelease) {
  GlTarget t;
  ASSERT_NE(t.context, nullptr);
  const int depth = GLContextDepthBits(t.context);
  EXPECT_TRUE(depth == 32 || depth == 24) << depth;
  ASSERT_TRUE(t.ClearTo(1, 0, 0));
  EXPECT_EQ(t.bits[0] & 0xFFFFFF, 0xFF0000u) << "blue, green, red in memory";
  EXPECT_EQ(t.bits[320 * 240 - 1] & 0xFFFFFF, 0xFF0000u);
  ASSERT_TRUE(MakeCurrent(t.dc, t.context));
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 320);
  EXPECT_EQ(viewport[3], 240);
  EXPECT_EQ(DeleteGLContext(t.context), TRUE) << "current here: released first";
  EXPECT_EQ(MakeCurrent(t.dc, t.context), FALSE) << "deleted";
  EXPECT_EQ(DeleteGLContext(t.context), FALSE);
}

TEST_F(GlContextTest, PixelFormatAndContextFailures) {
  GlTarget t;
  ASSERT_NE(t.context, nullptr);
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
  EXPECT_EQ(SetPixelFormat(t.dc, 1, &pfd), FALSE) << "set once only";
  HDC bare = CreateCompatibleDC(nullptr);
  EXPECT_EQ(CreateGLContext(bare), nullptr) << "no pixel format, no bitmap";
  EXPECT_EQ(ChoosePixelFormat(nullptr, &pfd), 0);
  pfd.dwFlags |= PFD_DOUBLEBUFFER;
  EXPECT_EQ(ChoosePixelFormat(bare, &pfd), 0) << "single-buffered only";
  pfd.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
  InjectFault(Fault::ChoosePixelFormat, 1);
  EXPECT_EQ(ChoosePixelFormat(bare, &pfd), 0);
  InjectFault(Fault::SetPixelFormat, 1);
  EXPECT_EQ(SetPixelFormat(bare, 1, &pfd), FALSE);
  InjectFault(Fault::CreateContext, 1);
  EXPECT_EQ(CreateGLContext(t.dc), nullptr);
  EXPECT_EQ(MakeCurrent(bare, t.context), FALSE) << "a context without the pixel format";
  EXPECT_EQ(MakeCurrent(t.dc, nullptr), FALSE);
  EXPECT_EQ(MakeCurrent(nullptr, nullptr), TRUE) << "nothing current: nothing to do";
  DeleteDC(bare);
}

TEST_F(GlContextTest, UsedFromTwoThreadsInTurnButNeverAtOnce) {
  GlTarget t;
  ASSERT_NE(t.context, nullptr);
  bool ok = false;
  std::thread([&] { ok = t.ClearTo(0, 1, 0); }).join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(t.bits[100] & 0xFFFFFF, 0x00FF00u);
  ASSERT_TRUE(t.ClearTo(0, 0, 1));
  EXPECT_EQ(t.bits[100] & 0xFFFFFF, 0x0000FFu);
  ASSERT_TRUE(MakeCurrent(t.dc, t.context));
  BOOL elsewhere = TRUE, deleted = TRUE;
  std::thread([&] {
    elsewhere = MakeCurrent(t.dc, t.context);
    deleted = DeleteGLContext(t.context);
  }).join();
  EXPECT_EQ(elsewhere, FALSE) << "current on this thread";
  EXPECT_EQ(deleted, FALSE);
  MakeCurrent(nullptr, nullptr);
}

// A host drawing with GL itself keeps its context: the release puts it back.
TEST_F(GlContextTest, ReleaseRestoresTheThreadsOwnContext) {
  auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  ASSERT_NE(getDisplay, nullptr);
  EGLDisplay display = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  ASSERT_TRUE(eglInitialize(display, nullptr, nullptr));
  eglBindAPI(EGL_OPENGL_API);
  EGLContext hostContext = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
  ASSERT_NE(hostContext, EGL_NO_CONTEXT);
  ASSERT_TRUE(eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, hostContext));

  {
    GlTarget t;
    ASSERT_NE(t.context, nullptr);
    EXPECT_EQ(eglGetCurrentContext(), hostContext) << "creation leaves the host's context";
    ASSERT_TRUE(MakeCurrent(t.dc, t.context));
    EXPECT_NE(eglGetCurrentContext(), hostContext);
    MakeCurrent(nullptr, nullptr);
    EXPECT_EQ(eglGetCurrentContext(), hostContext);
  }
  EXPECT_EQ(eglGetCurrentContext(), hostContext) << "deleting it too";
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(display, hostContext);
}

}  // namespace
}  // namespace lw::test

// The platform layer: registry, handles, surfaces and blits, clock, fault injection,
// and wrong use returning error codes.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "lw/platform.h"
#include "lw/plugin/surfaces.h"

namespace lw {
namespace {

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegReset();
    ClearFaults();
    ASSERT_EQ(CreateDirectDraw(DisplayMode::Rgb565, &dd_), DD_OK);
  }
  void TearDown() override {
    Release(dd_);
    ClearFaults();
  }
  Surface* Make(DWORD w, DWORD h, DWORD flags = 0, LONG pitch = 0) {
    DDSURFACEDESC desc = plugin::EmptySurfaceDesc();
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | flags;
    desc.dwWidth = w;
    desc.dwHeight = h;
    desc.lPitch = pitch;
    desc.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY;
    Surface* s = nullptr;
    EXPECT_EQ(CreateSurface(dd_, &desc, &s, nullptr), DD_OK);
    return s;
  }
  static std::uint16_t* Pixels(Surface* s, DDSURFACEDESC& desc) {
    desc = plugin::EmptySurfaceDesc();
    EXPECT_EQ(Lock(s, nullptr, &desc, 0, nullptr), DD_OK);
    return static_cast<std::uint16_t*>(desc.lpSurface);
  }
  DirectDraw* dd_ = nullptr;
};

TEST_F(PlatformTest, RegistryReportsDispositionAndReadsFourBytes) {
  HKEY key = 0;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyEx("Software\\A\\B", &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  EXPECT_TRUE(RegKeyExists("software\\a"));  // parents made, names case-insensitive
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyEx("SOFTWARE\\a\\b", &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

  RegSetDword("Software\\A\\B", "Value", 0x12345678);
  std::uint32_t value = 0;
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueEx(key, "value", nullptr, &value, &size), ERROR_SUCCESS);
  EXPECT_EQ(value, 0x12345678u);

  const std::uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  RegSetValueEx("Software\\A\\B", "Big", REG_BINARY, eight, 8);
  value = 0xAAAAAAAA;
  size = 4;
  EXPECT_EQ(RegQueryValueEx(key, "Big", nullptr, &value, &size), ERROR_MORE_DATA);
  EXPECT_EQ(value, 0xAAAAAAAAu) << "a buffer too small is left untouched";
  EXPECT_EQ(RegQueryValueEx(key, "Missing", nullptr, &value, &size), ERROR_FILE_NOT_FOUND);

  RegDeleteKey("Software\\A");
  EXPECT_FALSE(RegKeyExists("Software\\A\\B"));
  EXPECT_EQ(RegQueryValueEx(key, "Value", nullptr, &value, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(PlatformTest, HandlesResolveOnlyLiveObjectsOfTheirKind) {
  const DWORD h = HandleOf(dd_);
  EXPECT_NE(h, 0u);
  EXPECT_EQ(DirectDrawFromHandle(h), dd_);
  EXPECT_EQ(SurfaceFromHandle(h), nullptr);
  EXPECT_EQ(DirectDrawFromHandle(0), nullptr);
  EXPECT_EQ(DirectDrawFromHandle(0xDEADBEEF), nullptr);

  DirectDraw* other = nullptr;
  ASSERT_EQ(CreateDirectDraw(DisplayMode::Rgb555, &other), DD_OK);
  const DWORD stale = HandleOf(other);
  EXPECT_EQ(Release(other), 0);
  EXPECT_EQ(DirectDrawFromHandle(stale), nullptr);
  DirectDraw* again = nullptr;
  ASSERT_EQ(CreateDirectDraw(DisplayMode::Rgb555, &again), DD_OK);
  EXPECT_NE(HandleOf(again), stale) << "handles are never reused";
  Release(again);
}

TEST_F(PlatformTest, SurfacesTakeTheDisplayModeAndLockReportsThem) {
  DirectDraw* dd555 = nullptr;
  ASSERT_EQ(CreateDirectDraw(DisplayMode::Rgb555, &dd555), DD_OK);
  for (auto [dd, mask] : {std::pair{dd_, kGreenMask565}, std::pair{dd555, kGreenMask555}}) {
    DDSURFACEDESC desc = plugin::EmptySurfaceDesc();
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = 320;
    desc.dwHeight = 240;
    Surface* s = nullptr;
    ASSERT_EQ(CreateSurface(dd, &desc, &s, nullptr), DD_OK);
    DDSURFACEDESC locked = plugin::EmptySurfaceDesc();
    ASSERT_EQ(Lock(s, nullptr, &locked, 0, nullptr), DD_OK);
    EXPECT_EQ(locked.dwWidth, 320u);
    EXPECT_EQ(locked.dwHeight, 240u);
    EXPECT_EQ(locked.lPitch, 640);
    EXPECT_EQ(locked.ddpfPixelFormat.dwGBitMask, mask);
    EXPECT_NE(locked.lpSurface, nullptr);
    EXPECT_EQ(Unlock(s, nullptr), DD_OK);
    EXPECT_EQ(Release(s), 0);
  }
  Release(dd555);
}

TEST_F(PlatformTest, WiderPitchIsKeptAndReported) {
  Surface* s = Make(320, 240, DDSD_PITCH, 1024);
  DDSURFACEDESC desc;
  Pixels(s, desc);
  EXPECT_EQ(desc.lPitch, 1024);
  Unlock(s, nullptr);
  Release(s);
}

TEST_F(PlatformTest, BltCopiesStretchesAndFills) {
  Surface* src = Make(4, 2);
  Surface* dst = Make(4, 2);
  Surface* big = Make(8, 4);
  DDSURFACEDESC desc;
  std::uint16_t* p = Pixels(src, desc);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint16_t>(i + 1);
  Unlock(src, nullptr);

  ASSERT_EQ(Blt(dst, nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  p = Pixels(dst, desc);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(p[i], i + 1);
  Unlock(dst, nullptr);

  ASSERT_EQ(Blt(big, nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  p = Pixels(big, desc);
  // Nearest neighbour: every source pixel becomes a 2 by 2 block.
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(p[1], 1);
  EXPECT_EQ(p[2], 2);
  EXPECT_EQ(p[8 + 7], 4);
  EXPECT_EQ(p[3 * 8 + 7], 8);
  Unlock(big, nullptr);

  DDBLTFX fx{};
  fx.dwSize = kBltFxSize;
  fx.dwFillColor = 0xABCD;
  ASSERT_EQ(Blt(dst, nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  p = Pixels(dst, desc);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(p[i], 0xABCD);
  Unlock(dst, nullptr);
  Release(src);
  Release(dst);
  Release(big);
}

TEST_F(PlatformTest, BltConvertsBetweenLayouts) {
  DirectDraw* dd555 = nullptr;
  ASSERT_EQ(CreateDirectDraw(DisplayMode::Rgb555, &dd555), DD_OK);
  Surface* s565 = Make(1, 1);
  Surface* s555 = nullptr;
  ASSERT_EQ(CreateHostSurface(dd555, 1, 1, 0, &s555), DD_OK);
  DDSURFACEDESC desc;
  *Pixels(s565, desc) = 0xFFFF;
  Unlock(s565, nullptr);
  Blt(s555, nullptr, s565, nullptr, DDBLT_WAIT, nullptr);
  EXPECT_EQ(*Pixels(s555, desc), 0x7FFF);
  Unlock(s555, nullptr);
  Release(s565);
  Release(s555);
  Release(dd555);
}

TEST_F(PlatformTest, WrongUseReturnsErrorsAndNeverCrashes) {
  Surface* s = Make(8, 8);
  DDSURFACEDESC desc = plugin::EmptySurfaceDesc();
  DDSURFACEDESC badSize = desc;
  badSize.dwSize = 12;
  auto create = [&](DWORD w, DWORD h) {
    DDSURFACEDESC d = plugin::EmptySurfaceDesc();
    d.dwFlags = DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = w;
    d.dwHeight = h;
    Surface* out = nullptr;
    return CreateSurface(dd_, &d, &out, nullptr);
  };
  struct Case {
    const char* what;
    HRESULT result;
    HRESULT expected;
  };
  const Case cases[] = {
      {"lock of null", Lock(nullptr, nullptr, &desc, 0, nullptr), DDERR_INVALIDOBJECT},
      {"lock with null desc", Lock(s, nullptr, nullptr, 0, nullptr), DDERR_INVALIDPARAMS},
      {"lock with wrong dwSize", Lock(s, nullptr, &badSize, 0, nullptr), DDERR_INVALIDPARAMS},
      {"unlock without lock", Unlock(s, nullptr), DDERR_NOTLOCKED},
      {"zero width", create(0, 10), DDERR_INVALIDPARAMS},
      {"huge size", create(100000, 100000), DDERR_INVALIDPARAMS},
      {"create on null object", CreateSurface(nullptr, &desc, nullptr, nullptr), DDERR_INVALIDPARAMS},
      {"blt from null", Blt(s, nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS},
      {"fill without fx", Blt(s, nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr), DDERR_INVALIDPARAMS},
      {"release of null", Release(static_cast<Surface*>(nullptr)), DDERR_INVALIDOBJECT},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;

  ASSERT_EQ(Lock(s, nullptr, &desc, 0, nullptr), DD_OK);
  DDSURFACEDESC second = plugin::EmptySurfaceDesc();
  EXPECT_EQ(Lock(s, nullptr, &second, 0, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(Blt(s, nullptr, s, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
  Unlock(s, nullptr);
  EXPECT_EQ(Release(s), 0);
  EXPECT_EQ(Release(s), DDERR_INVALIDOBJECT) << "a second release";
  EXPECT_EQ(Lock(s, nullptr, &desc, 0, nullptr), DDERR_INVALIDOBJECT) << "a released surface";
}

TEST_F(PlatformTest, DegenerateHostSurfacesAreValid) {
  Surface* s = nullptr;
  ASSERT_EQ(CreateHostSurface(dd_, 0, 0, 0, &s), DD_OK);
  DDSURFACEDESC desc;
  EXPECT_NE(Pixels(s, desc), nullptr);
  EXPECT_EQ(desc.dwWidth, 0u);
  Unlock(s, nullptr);
  Release(s);
}

TEST_F(PlatformTest, InjectedFaultsFailTheNextOperations) {
  Surface* s = Make(4, 4);
  InjectFault(Fault::Lock, 2, 1);
  DDSURFACEDESC desc = plugin::EmptySurfaceDesc();
  EXPECT_EQ(Lock(s, nullptr, &desc, 0, nullptr), DD_OK) << "skipped";
  Unlock(s, nullptr);
  EXPECT_NE(Lock(s, nullptr, &desc, 0, nullptr), DD_OK);
  EXPECT_NE(Lock(s, nullptr, &desc, 0, nullptr), DD_OK);
  EXPECT_EQ(Lock(s, nullptr, &desc, 0, nullptr), DD_OK);
  Unlock(s, nullptr);

  const auto live = LiveSurfaceCount();
  InjectFault(Fault::CreateSurface, 1);
  DDSURFACEDESC create = plugin::EmptySurfaceDesc();
  create.dwFlags = DDSD_WIDTH | DDSD_HEIGHT;
  create.dwWidth = create.dwHeight = 4;
  Surface* failed = nullptr;
  EXPECT_NE(CreateSurface(dd_, &create, &failed, nullptr), DD_OK);
  EXPECT_EQ(failed, nullptr);
  EXPECT_EQ(LiveSurfaceCount(), live);

  HKEY key;
  InjectFault(Fault::RegistryOpen, 1);
  EXPECT_NE(RegCreateKeyEx("Software\\X", &key, nullptr), ERROR_SUCCESS);
  EXPECT_FALSE(RegKeyExists("Software\\X"));
  Release(s);
}

TEST(ClockTest, VirtualClockWrapsAndMonotonicClockFollowsTheSystem) {
  SetVirtualClock(0xFFFFFFF0u);
  EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u);
  AdvanceVirtualClock(0x20);
  EXPECT_EQ(timeGetTime(), 0x10u);
  UseMonotonicClock();
  EXPECT_FALSE(VirtualClockActive());
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const auto expected = static_cast<DWORD>(ts.tv_sec * 1000ull + ts.tv_nsec / 1000000);
  EXPECT_LE(static_cast<DWORD>(timeGetTime() - expected), 1000u);
}

}  // namespace
}  // namespace lw

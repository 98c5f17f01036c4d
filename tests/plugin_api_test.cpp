// The shared plug-in code: host-object discovery, the private surfaces, the pixel
// layout, the name rule and the thumbnail form.
#include <gtest/gtest.h>

#include "lw/platform.h"
#include "lw/plugin/entry_points.h"
#include "lw/plugin/host_objects.h"
#include "lw/plugin/surfaces.h"
#include "lw/plugin/thumbnail.h"

namespace lw::plugin {
namespace {

class HostObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegReset();
    ClearFaults();
    ReleaseSurfaces();
    TheHostObjects() = {};
    CreateDirectDraw(DisplayMode::Rgb565, &screen_);
    CreateDirectDraw(DisplayMode::Rgb555, &command_);
  }
  void TearDown() override {
    ReleaseSurfaces();
    Release(screen_);
    Release(command_);
  }
  void PublishAll() {
    RegSetDword(kDDKey, "CommandDD2", HandleOf(command_));
    RegSetDword(kDDKey, "ScreenDD2", HandleOf(screen_));
    RegSetDword(kScreen2Key, "WindowScreen", 7);
  }
  PixelLayout WorkLayout() {
    LockedSurface work(WorkSurface());
    EXPECT_TRUE(work.ok());
    return work.layout();
  }
  DirectDraw* screen_ = nullptr;   // 565
  DirectDraw* command_ = nullptr;  // 555
};

TEST_F(HostObjectsTest, MissingDDKeyIsCreatedEmptyAndReportsZero) {
  EXPECT_EQ(ReadHostObjects(HostRole::Pixel), 0);
  EXPECT_TRUE(RegKeyExists(kDDKey));
  EXPECT_EQ(RegValueCount(kDDKey), 0u);
  EXPECT_EQ(CheckHost(), 0);
  EXPECT_EQ(RegOpenKeyCount(), 0u) << "every opened key is closed again";
}

TEST_F(HostObjectsTest, ScreenDD2IsPreferredOverCommandDD2) {
  PublishAll();
  ASSERT_EQ(CreateWorkSurface(HostRole::Gl), 1);
  EXPECT_EQ(WorkLayout(), PixelLayout::Rgb565) << "made from ScreenDD2";

  ReleaseSurfaces();
  TheHostObjects() = {};
  RegSetDword(kDDKey, "ScreenDD2", 0);
  ASSERT_EQ(CreateWorkSurface(HostRole::Gl), 1);
  EXPECT_EQ(WorkLayout(), PixelLayout::Rgb555) << "made from CommandDD2";
  EXPECT_EQ(TheHostObjects().ScreenDD2, HandleOf(command_)) << "CommandDD2 kept in ScreenDD2";
}

TEST_F(HostObjectsTest, NeitherDirectDrawMeansNoCreateSurfaceCall) {
  RegSetDword(kDDKey, "CommandDD", HandleOf(screen_));
  const auto calls = CreateSurfaceCallCount();
  EXPECT_EQ(CreateWorkSurface(HostRole::Pixel), 0);
  EXPECT_EQ(CreateSurfaceCallCount(), calls);
  EXPECT_EQ(WorkSurface(), nullptr);
}

TEST_F(HostObjectsTest, SlotsKeepTheirLastValue) {
  PublishAll();
  ASSERT_EQ(ReadHostObjects(HostRole::Pixel), 1);
  RegDeleteValue(kDDKey, "ScreenDD2");
  ASSERT_EQ(ReadHostObjects(HostRole::Pixel), 1);
  EXPECT_EQ(TheHostObjects().ScreenDD2, HandleOf(screen_));
}

TEST_F(HostObjectsTest, WindowScreenRules) {
  PublishAll();
  EXPECT_EQ(CheckHost(), 1);
  RegSetDword(kScreen2Key, "WindowScreen", 0);
  EXPECT_EQ(CheckHost(), 0) << "present but zero";
  EXPECT_EQ(ReadHostObjects(HostRole::Gl), 1) << "creation only needs it readable";
  RegDeleteValue(kScreen2Key, "WindowScreen");
  EXPECT_EQ(ReadHostObjects(HostRole::Gl), 0);
  RegDeleteKey(kScreen2Key);
  EXPECT_EQ(ReadHostObjects(HostRole::Gl), 0);
  EXPECT_TRUE(RegKeyExists(kScreen2Key)) << "created empty";
}

TEST_F(HostObjectsTest, PrivateSurfacesAreReleasedOnce) {
  PublishAll();
  const auto live = LiveSurfaceCount();
  ASSERT_EQ(CreateWorkSurface(HostRole::Pixel), 1);
  ASSERT_EQ(CreateSmallSurface(), 1);
  {
    LockedSurface small(SmallSurface());
    EXPECT_EQ(small.width(), 256);
    EXPECT_EQ(small.height(), 128);
  }
  EXPECT_EQ(LiveSurfaceCount(), live + 2);
  ReleaseSurfaces();
  ReleaseSurfaces();
  EXPECT_EQ(LiveSurfaceCount(), live);
}

TEST_F(HostObjectsTest, FailingCreationLeavesNothing) {
  PublishAll();
  InjectFault(Fault::CreateSurface, 1);
  EXPECT_EQ(CreateWorkSurface(HostRole::Pixel), 0);
  EXPECT_EQ(WorkSurface(), nullptr);
}

TEST(PixelLayoutTest, GreenMaskDecides) {
  struct Case {
    DWORD mask;
    PixelLayout layout;
  };
  for (Case c : {Case{0x3E0, PixelLayout::Rgb555}, Case{0x7E0, PixelLayout::Rgb565},
                 Case{0, PixelLayout::Rgb565}, Case{0xFFFF, PixelLayout::Rgb565}}) {
    DDSURFACEDESC desc{};
    desc.ddpfPixelFormat.dwGBitMask = c.mask;
    EXPECT_EQ(DetectPixelLayout(desc), c.layout) << std::hex << c.mask;
  }
}

TEST(NameRuleTest, SizeBelow128IsAccepted) {
  const std::string n126(126, 'a'), n127(127, 'a');
  const char* out = nullptr;
  std::uint32_t size = 0;
  EXPECT_EQ(HandOutName(n126.c_str(), &out, &size), 1);
  EXPECT_EQ(size, 127u);
  EXPECT_EQ(out, n126.c_str()) << "the string itself, not a copy";
  EXPECT_EQ(HandOutName(n127.c_str(), &out, &size), 0);
  EXPECT_EQ(size, 128u);
  EXPECT_EQ(HandOutName("GL Split Mulch Rotation Effect", nullptr, &size), 1);
  EXPECT_EQ(size, 31u);
}

TEST(ThumbnailTest, FormAndPicture) {
  constexpr ResourceRecord record = MakeThumbnailRecord("TEST", false);
  static_assert(sizeof record.data == 284);
  EXPECT_EQ(record.type, 2u);
  EXPECT_EQ(record.language, 1041u);
  EXPECT_STREQ(record.name, "BITMAP_THUMBNAIL");
  const std::uint8_t* b = record.data;
  EXPECT_EQ(b[0], 40);
  EXPECT_EQ(b[4], 20);
  EXPECT_EQ(b[8], 15);
  EXPECT_EQ(b[12], 1);
  EXPECT_EQ(b[14], 4);
  EXPECT_EQ(b[20], 180);
  EXPECT_EQ(b[40 + 0], 4);    // colour 0: blue 4, green 132, red 180
  EXPECT_EQ(b[40 + 1], 132);
  EXPECT_EQ(b[40 + 2], 180);
  EXPECT_EQ(b[40 + 15 * 4 + 2], 255);

  ThumbPixels px{}, composition{};
  ASSERT_TRUE(DecodeThumbnail(record.data, record.size, &px));
  ASSERT_TRUE(DecodeThumbnail(MakeThumbnailRecord("TEST", true).data, 284, &composition));
  int labelPixels = 0;
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 20; ++x) {
      EXPECT_LE(px[y][x], 2) << "colours 0 to 2 only";
      if (y == 8 || y == 14) {
        EXPECT_EQ(px[y][x], 0) << "rows 8 and 14 are empty";
      }
      if (y >= 9 && y <= 13 && px[y][x] != 0) ++labelPixels;
      if (y < 8 && x >= 8) {
        EXPECT_EQ(px[y][x], composition[y][x]) << "one emblem";
      }
    }
  EXPECT_GT(labelPixels, 10);
  EXPECT_NE(px[1][1], composition[1][1]) << "the composition's own block";
}

}  // namespace
}  // namespace lw::plugin

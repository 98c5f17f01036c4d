// Feedback: the blend rule and its fields in both layouts, the SSE2 and portable blends
// agreeing, the memory-order groups, and the frame through the WorkSurface: the trail,
// play clearing it, and the trail kept across a host surface of another size. Failing
// locks and calls out of order are in the failure catalogue.
#include "effects/pixel/feedback.h"

#include <gtest/gtest.h>

#include <random>

#include "lw/platform.h"
#include "lw/plugin/host_objects.h"
#include "pixel_test_support.h"

namespace lw::effects {
namespace {

using plugin::PixelLayout;
using test::GuardedFrame;

TEST(BlendChannelTest, WeightsTheIncomingChannelByItsOwnBrightness) {
  struct Case {
    std::uint16_t s, f, out;
  };
  const Case cases[] = {{31, 0, 30}, {31, 17, 30}, {31, 31, 30},  // full input never reaches 31
                        {0, 31, 30}, {0, 1, 0},    {0, 0, 0},     // black fades one step
                        {16, 0, 8},  {20, 10, 15}, {8, 31, 24},  {1, 31, 29}};
  for (const Case& c : cases) EXPECT_EQ(BlendChannel(c.s, c.f), c.out) << c.s << " over " << c.f;
  for (std::uint16_t f = 1; f <= 31; ++f) EXPECT_EQ(BlendChannel(0, f), f - 1);
}

TEST(BlendFeedbackPixelTest, ReadsAndWritesTheFieldsOfEachLayout) {
  struct Case {
    PixelLayout layout;
    std::uint16_t source, previous, out;
  };
  const Case cases[] = {
      {PixelLayout::Rgb565, 0xFFFF, 0x0000, 0xF79E},   // 30 in every channel
      {PixelLayout::Rgb565, 0x07E0, 0x0000, 30 << 6},  // green 63 read as 31; bit 5 written 0
      {PixelLayout::Rgb565, 0x0020, 0x0020, 0x0000},   // only green's dropped low bit: black
      {PixelLayout::Rgb565, 0x0000, 0xF79E, 0xEF5D},   // black over 30: 29 everywhere
      {PixelLayout::Rgb555, 0x7FFF, 0x0000, 0x7BDE},
      {PixelLayout::Rgb555, 0xFFFF, 0xFFFF, 0x7BDE},  // bit 15 never survives
      {PixelLayout::Rgb555, 0x8000, 0x8000, 0x0000},
      {PixelLayout::Rgb555, (20 << 10) | (16 << 5) | 1, (10 << 10) | (0 << 5) | 31,
       (15 << 10) | (8 << 5) | 29},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BlendFeedbackPixel(c.source, c.previous, c.layout), c.out)
        << std::hex << c.source << " over " << c.previous;
}

TEST(BlendFeedbackTest, EveryKernelGivesThePortableResult) {
  // Every pair of channel values in each channel, then random pixels with every bit in play.
  std::vector<std::uint16_t> source, previous;
  for (int s = 0; s < 32; ++s)
    for (int f = 0; f < 32; ++f)
      for (int shift : {0, 5, 6, 10, 11}) {
        source.push_back(static_cast<std::uint16_t>(s << shift));
        previous.push_back(static_cast<std::uint16_t>(f << shift | (f & 1) << 15));
      }
  std::mt19937 random(42);
  while (source.size() % 32 != 20) {  // whole lanes of every width, then a tail
    source.push_back(static_cast<std::uint16_t>(random()));
    previous.push_back(static_cast<std::uint16_t>(random()));
  }
  const auto kernels = FeedbackKernels();
  ASSERT_STREQ(kernels.front().name, "portable");
#if defined(__SSE2__)
  EXPECT_GE(kernels.size(), 2u) << "SSE2 on every x86-64";
#endif
  for (const FeedbackKernel& kernel : kernels.subspan(1))
    for (PixelLayout layout : {PixelLayout::Rgb565, PixelLayout::Rgb555})
      for (std::size_t groups :
           {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{9}, source.size() / 4}) {
        GuardedFrame portable(previous), fast(previous);
        BlendFeedbackPortable(source.data(), portable.data(), groups, layout);
        kernel.blend(source.data(), fast.data(), groups, layout);
        EXPECT_EQ(fast.pixels(), portable.pixels()) << kernel.name << ", " << groups << " groups";
        EXPECT_TRUE(fast.GuardIntact()) << kernel.name;
      }
}

TEST(BlendFeedbackTest, GroupsOfFourRunThroughMemoryIgnoringRows) {
  struct Case {
    int width, height;
    std::size_t blended;  // pixels from the start of memory
  };
  // 322 by 2: 80 groups a row's worth, twice: the first 640 pixels, the last 4 stay.
  const Case cases[] = {{322, 2, 640}, {320, 240, 76800}, {3, 5, 0},
                        {1, 1, 0},     {0, 0, 0},         {9, 3, 24}};
  for (const Case& c : cases) {
    const auto source = test::CountingFrame(c.width, c.height, 11);
    const auto previous = test::CountingFrame(c.width, c.height, 5000);
    GuardedFrame work(previous);
    BlendFeedback(source.data(), work.data(), c.width, c.height, PixelLayout::Rgb565);
    const auto out = work.pixels();
    for (std::size_t i = 0; i < out.size(); ++i)
      ASSERT_EQ(out[i], i < c.blended
                            ? BlendFeedbackPixel(source[i], previous[i], PixelLayout::Rgb565)
                            : previous[i])
          << c.width << "x" << c.height << " pixel " << i;
    EXPECT_TRUE(work.GuardIntact());
  }
}

// The frame as the plug-in runs it, with this process's own WorkSurface.
class FeedbackFrameTest : public ::testing::TestWithParam<DisplayMode> {
 protected:
  void SetUp() override { host_ = test::FreshHost(GetParam()); }
  void TearDown() override { kFeedbackHooks.releaseDll(); }

  // Runs one frame of `input` everywhere on `surface`; returns the output.
  std::vector<std::uint16_t> Run(host::HostSurface& surface, std::uint16_t input,
                                 std::int32_t expectResult = 1) {
    const std::vector<std::uint16_t> in(std::size_t{surface.width()} * surface.height(), input);
    surface.Write(in.data());
    EXPECT_EQ(kFeedbackHooks.effectOut(surface.get()), expectResult);
    std::vector<std::uint16_t> out(in.size());
    surface.Read(out.data());
    return out;
  }
  std::uint16_t White() const { return GetParam() == DisplayMode::Rgb565 ? 0xFFFF : 0x7FFF; }
  // The pixel with every channel at v.
  std::uint16_t Grey(int v) const {
    return GetParam() == DisplayMode::Rgb565 ? static_cast<std::uint16_t>(v << 11 | v << 6 | v)
                                             : static_cast<std::uint16_t>(v << 10 | v << 5 | v);
  }
  bool All(const std::vector<std::uint16_t>& px, std::uint16_t v) {
    return std::all_of(px.begin(), px.end(), [v](auto p) { return p == v; });
  }

  std::unique_ptr<host::HostEnvironment> host_;
};

TEST_P(FeedbackFrameTest, WhiteGivesThirtyThenBlackFadesOneStepAFrame) {
  ASSERT_EQ(kFeedbackHooks.createDll(), 1);
  kFeedbackHooks.streamOutPlay();
  host::HostSurface surface(host_->directDraw(), 320, 240);
  EXPECT_TRUE(All(Run(surface, White()), Grey(30)));
  for (int v = 29; v >= 0; --v) ASSERT_TRUE(All(Run(surface, 0), Grey(v))) << v;
  EXPECT_TRUE(All(Run(surface, 0), 0)) << "black stays black";
}

TEST_P(FeedbackFrameTest, PlayClearsTheTrail) {
  ASSERT_EQ(kFeedbackHooks.createDll(), 1);
  kFeedbackHooks.streamOutPlay();
  host::HostSurface surface(host_->directDraw(), 320, 240);
  Run(surface, White());
  Run(surface, White());
  kFeedbackHooks.streamOutPlay();
  EXPECT_TRUE(All(Run(surface, 0), 0));
}

TEST_P(FeedbackFrameTest, HostOfAnotherSizeGetsThePreviousOutputAndTheTrailIsKept) {
  ASSERT_EQ(kFeedbackHooks.createDll(), 1);
  kFeedbackHooks.streamOutPlay();
  host::HostSurface full(host_->directDraw(), 320, 240);
  Run(full, White());
  for (auto [w, h] :
       {std::pair{160u, 120u}, std::pair{322u, 2u}, std::pair{0u, 0u}, std::pair{1u, 1u}}) {
    host::HostSurface other(host_->directDraw(), w, h);
    EXPECT_TRUE(All(Run(other, 0), Grey(30))) << w << "x" << h;
  }
  EXPECT_TRUE(All(Run(full, 0), Grey(29))) << "the trail went on from where it was";
}

INSTANTIATE_TEST_SUITE_P(Layouts, FeedbackFrameTest,
                         ::testing::Values(DisplayMode::Rgb565, DisplayMode::Rgb555),
                         [](const auto& info) {
                           return info.param == DisplayMode::Rgb565 ? "rgb565" : "rgb555";
                         });

TEST(FeedbackLayoutTest, TheHostFramesLayoutDecidesTheFieldsEveryFrame) {
  auto host = test::FreshHost(DisplayMode::Rgb565);  // the WorkSurface is RGB565
  ASSERT_EQ(kFeedbackHooks.createDll(), 1);
  kFeedbackHooks.streamOutPlay();
  DirectDraw* dd555 = nullptr;
  ASSERT_EQ(CreateDirectDraw(DisplayMode::Rgb555, &dd555), DD_OK);
  {
    host::HostSurface surface(dd555, 320, 240);
    const std::vector<std::uint16_t> white555(76800, 0x7FFF);
    surface.Write(white555.data());
    ASSERT_EQ(kFeedbackHooks.effectOut(surface.get()), 1);
    plugin::LockedSurface work(plugin::WorkSurface());
    ASSERT_TRUE(work.ok());
    EXPECT_EQ(work.pixels()[0], 0x7BDE) << "blended in RGB555 fields";
    EXPECT_EQ(work.pixels()[76799], 0x7BDE);
  }
  Release(dd555);
  kFeedbackHooks.releaseDll();
}

}  // namespace
}  // namespace lw::effects

// Interlaced composition: the bands for several heights, and the frame. Sizes that
// differ and failing locks are in the failure catalogue.
#include "effects/pixel/interlaced_composition.h"

#include <gtest/gtest.h>

#include "lw/platform.h"
#include "pixel_test_support.h"

namespace lw::effects {
namespace {

using test::GuardedFrame;

// Rows that come from the second source: the first two of every whole group of four.
bool FromSecond(int y, int height) {
  return y < height / 4 * 4 && y % 4 < 2;
}

struct BandCase {
  int width, height;
  int rowsFromSecond;
};

class InterlaceRowsTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(InterlaceRowsTest, TwoRowsOfTheSecondInEveryWholeGroupOfFour) {
  const auto [w, h, rowsFromSecond] = GetParam();
  const auto first = test::CountingFrame(w, h, 0), second = test::CountingFrame(w, h, 30000);
  GuardedFrame target(first);
  const auto source = second;
  InterlaceRows(target.data(), source.data(), w, h);
  const auto out = target.pixels();
  int counted = 0;
  for (int y = 0; y < h; ++y) {
    const auto& expected = FromSecond(y, h) ? second : first;
    counted += FromSecond(y, h);
    for (int x = 0; x < w; ++x) ASSERT_EQ(out[y * w + x], expected[y * w + x]) << "row " << y;
  }
  EXPECT_EQ(counted, rowsFromSecond);
  EXPECT_TRUE(target.GuardIntact());
  EXPECT_EQ(source, second) << "the second source is only read";
}

INSTANTIATE_TEST_SUITE_P(Heights, InterlaceRowsTest,
                         ::testing::Values(BandCase{320, 240, 120}, BandCase{320, 6, 2},
                                           BandCase{320, 3, 0}, BandCase{320, 4, 2},
                                           BandCase{7, 9, 4}, BandCase{1, 1, 0}, BandCase{0, 0, 0},
                                           BandCase{0, 8, 4}),
                         [](const auto& info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height);
                         });

class CompositionFrameTest : public ::testing::Test {
 protected:
  void SetUp() override { host_ = test::FreshHost(); }

  // Writes a frame into each surface, runs the composition, returns the first surface.
  std::vector<std::uint16_t> Compose(host::HostSurface& first, host::HostSurface& second) {
    firstIn_ =
        test::CountingFrame(static_cast<int>(first.width()), static_cast<int>(first.height()), 0);
    secondIn_ = test::CountingFrame(static_cast<int>(second.width()),
                                    static_cast<int>(second.height()), 30000);
    first.Write(firstIn_.data());
    second.Write(secondIn_.data());
    EXPECT_EQ(kInterlacedCompositionHooks.compositionOut(first.get(), second.get()), 1);
    std::vector<std::uint16_t> out(firstIn_.size()), secondOut(secondIn_.size());
    first.Read(out.data());
    second.Read(secondOut.data());
    EXPECT_EQ(secondOut, secondIn_) << "the second surface is only read";
    return out;
  }

  std::unique_ptr<host::HostEnvironment> host_;
  std::vector<std::uint16_t> firstIn_, secondIn_;
};

TEST_F(CompositionFrameTest, InterleavesTwoSurfacesOfOneSize) {
  host::HostSurface first(host_->directDraw(), 320, 240), second(host_->directDraw(), 320, 240);
  const auto out = Compose(first, second);
  auto expected = firstIn_;
  InterlaceRows(expected.data(), secondIn_.data(), 320, 240);
  EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace lw::effects

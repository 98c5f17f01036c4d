// Slides: the in-place shifts against the rule, the offset sequences on the virtual
// clock (keys, an uneven frame rate, the wrap at the ends), and the frame's failure
// paths and odd surface sizes.
#include "effects/pixel/slide.h"

#include <gtest/gtest.h>

#include "lw/platform.h"
#include "pixel_test_support.h"

namespace lw::effects {
namespace {

using test::GuardedFrame;
using test::KeyAt;
using test::MotionCase;
using test::MoveCase;

// Straight from the rule: the pixel `offset` places back along the axis, or black.
std::vector<std::uint16_t> Shifted(const std::vector<std::uint16_t>& in, int w, int h, Axis axis,
                                   int offset) {
  std::vector<std::uint16_t> out(in.size(), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = axis == Axis::Horizontal ? x - offset : x;
      const int sy = axis == Axis::Vertical ? y - offset : y;
      if (sx >= 0 && sx < w && sy >= 0 && sy < h) out[y * w + x] = in[sy * w + sx];
    }
  return out;
}

class ShiftTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(ShiftTest, MovesThePictureFillsBlackAndStaysInside) {
  const auto [axis, w, h, offset] = GetParam();
  const auto in = test::CountingFrame(w, h);
  GuardedFrame frame(in);
  if (axis == Axis::Vertical)
    ShiftRows(frame.data(), w, h, offset);
  else
    ShiftColumns(frame.data(), w, h, offset);
  EXPECT_EQ(frame.pixels(), Shifted(in, w, h, axis, offset));
  EXPECT_TRUE(frame.GuardIntact());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShiftTest,
    ::testing::Values(
        MoveCase{Axis::Vertical, 320, 240, 0}, MoveCase{Axis::Vertical, 320, 240, 239},
        MoveCase{Axis::Vertical, 320, 240, -239}, MoveCase{Axis::Vertical, 320, 240, 57},
        MoveCase{Axis::Vertical, 320, 240, -48}, MoveCase{Axis::Horizontal, 320, 240, 319},
        MoveCase{Axis::Horizontal, 320, 240, -101}, MoveCase{Axis::Horizontal, 321, 3, 5},
        MoveCase{Axis::Horizontal, 7, 3, -2}, MoveCase{Axis::Vertical, 7, 3, 300},
        MoveCase{Axis::Horizontal, 7, 3, -300}, MoveCase{Axis::Vertical, 1, 1, 1},
        MoveCase{Axis::Horizontal, 1, 1, -1}, MoveCase{Axis::Vertical, 0, 0, 5},
        MoveCase{Axis::Horizontal, 0, 4, 1}),
    test::MoveCaseName);

TEST(ShiftRowsTest, Offset239OnTheFullFrameShowsRowZeroAtTheBottom) {
  const auto in = test::CountingFrame(320, 240);
  auto frame = in;
  ShiftRows(frame.data(), 320, 240, 239);
  for (int y = 0; y < 239; ++y)
    ASSERT_TRUE(std::all_of(&frame[y * 320], &frame[y * 320 + 320], [](auto p) { return p == 0; }))
        << y;
  EXPECT_TRUE(std::equal(in.begin(), in.begin() + 320, frame.begin() + 239 * 320));
}

TEST(SlidePositionTest, WrapsPastEitherEndToTheOtherSide) {
  struct Case {
    std::int64_t moved;
    std::int32_t wrapped;
  };
  const Case cases[] = {{1080, -920},
                        {-1080, 920},
                        {1000, 1000},
                        {-1000, -1000},
                        {0, 0},
                        {2000, -1000},
                        {-2001, 999},
                        {999, 999},
                        {1001, -999},
                        // a first frame long after load: the whole clock reading
                        {4294967295, -705},
                        {-4294967295 - 57, 648}};
  for (const Case& c : cases) EXPECT_EQ(WrapSlidePosition(c.moved, 1000), c.wrapped) << c.moved;
}

class SlideSequenceTest : public ::testing::TestWithParam<MotionCase> {};

TEST_P(SlideSequenceTest, AppliesTheOffsetsOfTheElapsedTime) {
  EXPECT_EQ(test::AppliedOffsets(GetParam(), AdvanceSlide), GetParam().offsets);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SlideSequenceTest,
    ::testing::Values(
        MotionCase{"v_40ms", &kVerticalAxis, 25, {}, {0, -9, -19, -28, -38, -48}},
        MotionCase{"h_40ms", &kHorizontalAxis, 25, {}, {0, -12, -25, -38, -51, -64}},
        // The position passes -1000 after frame 18: the picture re-enters from below.
        MotionCase{
            "v_40ms_through_the_wrap", &kVerticalAxis, 25, {}, {0,    -9,   -19,  -28,  -38,
                                                                -48,  -58,  -68,  -78,  -89,
                                                                -101, -113, -125, -138, -152,
                                                                -167, -183, -201, -220, 236}},
        MotionCase{"v_30fps", &kVerticalAxis, 30, {}, {0, -7, -16, -23, -31, -39}},
        // Down reverses at once without a jump; up, the direction already taken, changes nothing.
        MotionCase{
            "v_down_reverses", &kVerticalAxis, 25, {{4, 208}}, {0, -9, -19, -28, -38, -28, -18}},
        MotionCase{
            "v_up_keeps_going", &kVerticalAxis, 25, {{4, 200}}, {0, -9, -19, -28, -38, -48, -58}},
        MotionCase{"v_30fps_down", &kVerticalAxis, 30, {{3, 208}}, {0, -7, -16, -23, -16, -7}},
        MotionCase{"h_up_reverses", &kHorizontalAxis, 25, {{2, 200}}, {0, -12, -25, -12, 0, 12}},
        MotionCase{"h_30fps_up", &kHorizontalAxis, 30, {{2, 200}}, {0, -10, -21, -10, 0, 10}},
        MotionCase{
            "other_keys_ignored", &kHorizontalAxis, 25, {{1, 201}, {2, 0}}, {0, -12, -25, -38}}),
    test::MotionCaseName);

// The frame as the plug-in runs it, on this process's own copy of the motion.
class SlideFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = test::FreshHost();
    TheSlideMotion() = SlideMotion{};
  }
  void TearDown() override { TheSlideMotion() = SlideMotion{}; }

  std::unique_ptr<host::HostEnvironment> host_;
};

TEST_F(SlideFrameTest, FirstFrameAfterPlayIsUnshiftedAndTheNextUsesTheNewOffset) {
  ASSERT_EQ(SlideCreate(kVerticalAxis), 1);
  host::HostSurface surface(host_->directDraw(), 320, 240);
  const auto in = test::CountingFrame(320, 240);
  test::ClockBeforeFrame(0, 25);
  SlidePlay();
  std::vector<std::uint16_t> out(in.size());
  for (int i = 0; i < 2; ++i) {
    test::ClockAtFrame(i, 25);
    surface.Write(in.data());
    ASSERT_EQ(SlideEffectOut(kVerticalAxis, surface.get()), 1);
    surface.Read(out.data());
    EXPECT_EQ(out, Shifted(in, 320, 240, Axis::Vertical, i == 0 ? 0 : -9)) << "frame " << i;
  }
}

TEST_F(SlideFrameTest, BeforeAnyPlayTheWholeClockReadingIsWrappedIntoRange) {
  ASSERT_EQ(SlideCreate(kVerticalAxis), 1);
  host::HostSurface surface(host_->directDraw(), 320, 240);
  SetVirtualClock(2040);  // lastTime is still 0: the position goes to -2040, then 960
  ASSERT_EQ(SlideEffectOut(kVerticalAxis, surface.get()), 1);
  EXPECT_EQ(TheSlideMotion().position, 960);
  EXPECT_EQ(TheSlideMotion().offset, 229);
  EXPECT_EQ(TheSlideMotion().lastTime, 2040u);
}

TEST_F(SlideFrameTest, FailingLockReturnsZeroTouchesNothingAndDoesNotAdvance) {
  ASSERT_EQ(SlideCreate(kHorizontalAxis), 1);
  host::HostSurface surface(host_->directDraw(), 320, 240);
  SetVirtualClock(5000);
  SlidePlay();
  TheSlideMotion().offset = -64;
  const SlideMotion before = TheSlideMotion();
  const auto in = test::CountingFrame(320, 240);
  surface.Write(in.data());
  SetVirtualClock(5040);
  InjectFault(Fault::Lock, 1);
  EXPECT_EQ(SlideEffectOut(kHorizontalAxis, surface.get()), 0);
  std::vector<std::uint16_t> out(in.size());
  surface.Read(out.data());
  EXPECT_EQ(out, in);
  EXPECT_EQ(TheSlideMotion().position, before.position);
  EXPECT_EQ(TheSlideMotion().offset, before.offset);
  EXPECT_EQ(TheSlideMotion().lastTime, before.lastTime);
}

TEST_F(SlideFrameTest, RecreationResetsDirectionAndOffsetAndKeepsThePosition) {
  ASSERT_EQ(SlideCreate(kHorizontalAxis), 1);
  host::HostSurface surface(host_->directDraw(), 320, 240);
  SetVirtualClock(1000);
  SlidePlay();
  SlideKey(plugin::kKeyUp);
  SetVirtualClock(1040);
  ASSERT_EQ(SlideEffectOut(kHorizontalAxis, surface.get()), 1);
  const SlideMotion moved = TheSlideMotion();
  ASSERT_EQ(moved.position, 40);
  ASSERT_EQ(moved.offset, 12);
  // ReleaseDll releases nothing; CeateDll sets only the direction, the span and the offset.
  ASSERT_EQ(SlideCreate(kHorizontalAxis), 1);
  EXPECT_EQ(TheSlideMotion().direction, kHorizontalAxis.initialDirection);
  EXPECT_EQ(TheSlideMotion().offset, 0);
  EXPECT_EQ(TheSlideMotion().position, moved.position);
  EXPECT_EQ(TheSlideMotion().lastTime, moved.lastTime);
  // The next frame is unshifted and moves on from where the motion stood, leftward again.
  const auto in = test::CountingFrame(320, 240);
  surface.Write(in.data());
  SetVirtualClock(1080);
  ASSERT_EQ(SlideEffectOut(kHorizontalAxis, surface.get()), 1);
  std::vector<std::uint16_t> out(in.size());
  surface.Read(out.data());
  EXPECT_EQ(out, in);
  EXPECT_EQ(TheSlideMotion().position, 0);
}

TEST_F(SlideFrameTest, ANeverCreatedMotionStandsStill) {
  // Frames before CeateDll (a host out of order): no span yet, so nothing moves.
  host::HostSurface surface(host_->directDraw(), 320, 240);
  SetVirtualClock(5000);
  EXPECT_EQ(SlideEffectOut(kVerticalAxis, surface.get()), 1);
  EXPECT_EQ(TheSlideMotion().position, 0);
  EXPECT_EQ(TheSlideMotion().offset, 0);
}

TEST_F(SlideFrameTest, SurfacesOfAnySizeAreShiftedInsideTheirPixels) {
  struct Case {
    std::uint32_t width, height;
    const SlideAxis* axis;
  };
  const Case cases[] = {{0, 0, &kVerticalAxis},   {1, 1, &kVerticalAxis},
                        {1, 1, &kHorizontalAxis}, {7, 3, &kHorizontalAxis},
                        {321, 5, &kVerticalAxis}, {3, 241, &kVerticalAxis}};
  for (const Case& c : cases) {
    SlideCreate(*c.axis);
    SetVirtualClock(1000);
    SlidePlay();
    TheSlideMotion().offset = c.axis->axis == Axis::Vertical ? -239 : 319;  // from a full frame
    host::HostSurface surface(host_->directDraw(), c.width, c.height);
    const auto in = test::CountingFrame(static_cast<int>(c.width), static_cast<int>(c.height));
    surface.Write(in.data());
    SetVirtualClock(1040);
    ASSERT_EQ(SlideEffectOut(*c.axis, surface.get()), 1);
    std::vector<std::uint16_t> out(in.size());
    surface.Read(out.data());
    const int w = static_cast<int>(c.width), h = static_cast<int>(c.height);
    EXPECT_EQ(out, Shifted(in, w, h, c.axis->axis, c.axis->axis == Axis::Vertical ? -239 : 319))
        << w << "x" << h;
    const int extent = SlideExtent(*c.axis, w, h);
    EXPECT_LE(std::abs(TheSlideMotion().offset), std::max(extent - 1, 0)) << w << "x" << h;
  }
}

}  // namespace
}  // namespace lw::effects

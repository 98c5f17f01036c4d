// Wrapped slides: the rotations against the rule, the offset sequences on the virtual
// clock, the wrap of the position, and the frame through the WorkSurface with its
// failure paths, sizes that differ and a host that calls out of order.
#include "effects/pixel/wrapped_slide.h"

#include <gtest/gtest.h>

#include "lw/platform.h"
#include "lw/plugin/host_objects.h"
#include "pixel_test_support.h"

namespace lw::effects {
namespace {

using test::GuardedFrame;
using test::KeyAt;
using test::MotionCase;
using test::MoveCase;

// Straight from the rule: target (x, y) is source (x - o, y) or (x, y - o), modulo the extent.
std::vector<std::uint16_t> Rotated(const std::vector<std::uint16_t>& in, int w, int h, Axis axis,
                                   int offset) {
  std::vector<std::uint16_t> out(in.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = axis == Axis::Horizontal ? ((x - offset) % w + w) % w : x;
      const int sy = axis == Axis::Vertical ? ((y - offset) % h + h) % h : y;
      out[y * w + x] = in[sy * w + sx];
    }
  return out;
}

class RotateTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(RotateTest, WritesEveryTargetPixelFromTheRotatedSource) {
  const auto [axis, w, h, offset] = GetParam();
  const auto in = test::CountingFrame(w, h);
  GuardedFrame target(std::vector<std::uint16_t>(in.size(), 0));  // black: a missed pixel shows
  const auto source = in;
  if (axis == Axis::Vertical)
    WrapRows(source.data(), target.data(), w, h, offset);
  else
    WrapColumns(source.data(), target.data(), w, h, offset);
  EXPECT_EQ(target.pixels(), Rotated(in, w, h, axis, offset));
  EXPECT_TRUE(target.GuardIntact());
  EXPECT_EQ(source, in) << "the source is only read";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RotateTest,
    ::testing::Values(MoveCase{Axis::Vertical, 320, 240, 0},
                      MoveCase{Axis::Vertical, 320, 240, 229},
                      MoveCase{Axis::Vertical, 320, 240, 239},
                      MoveCase{Axis::Horizontal, 320, 240, 1},
                      MoveCase{Axis::Horizontal, 320, 240, 319},
                      MoveCase{Axis::Horizontal, 7, 3, 5}, MoveCase{Axis::Vertical, 7, 3, 2},
                      MoveCase{Axis::Vertical, 5, 3, 7}, MoveCase{Axis::Horizontal, 5, 2, -1},
                      MoveCase{Axis::Vertical, 1, 1, 0}, MoveCase{Axis::Horizontal, 0, 0, 3}),
    test::MoveCaseName);

TEST(WrapRowsTest, Offset239ShowsEachRowsSuccessorAndRowZeroAtTheBottom) {
  const auto in = test::CountingFrame(320, 240);
  std::vector<std::uint16_t> out(in.size());
  WrapRows(in.data(), out.data(), 320, 240, 239);
  for (int y = 0; y < 239; ++y)
    ASSERT_TRUE(std::equal(&out[y * 320], &out[y * 320 + 320], &in[(y + 1) * 320])) << y;
  EXPECT_TRUE(std::equal(&out[239 * 320], &out[240 * 320], &in[0]));
}

TEST(ScrollPositionTest, WrapsIntoZeroToSpan) {
  struct Case {
    std::int64_t moved;
    std::int32_t wrapped;
  };
  const Case cases[] = {{1040, 40}, {-40, 960},   {-1000, 1000}, {1000, 1000},     {0, 0},
                        {2000, 0},  {-2040, 960}, {1001, 1},     {4294967295, 295}};
  for (const Case& c : cases) EXPECT_EQ(WrapScrollPosition(c.moved, 1000), c.wrapped) << c.moved;
}

class WrappedSequenceTest : public ::testing::TestWithParam<MotionCase> {};

TEST_P(WrappedSequenceTest, AppliesTheOffsetsOfTheElapsedTime) {
  EXPECT_EQ(test::AppliedOffsets(GetParam(), AdvanceWrappedSlide), GetParam().offsets);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrappedSequenceTest,
    ::testing::Values(
        // The first step takes the position from 0 to -40, which wraps to 960.
        MotionCase{"v_40ms", &kVerticalAxis, 25, {}, {0, 229, 219, 210, 200, 191}},
        MotionCase{"h_40ms_after_up", &kHorizontalAxis, 25, {{0, 200}}, {0, 12, 25, 38, 51, 63}},
        MotionCase{"v_30fps", &kVerticalAxis, 30, {}, {0, 231, 222, 215, 207, 199}},
        // Down reverses from where the scroll stands, and the position wraps past 1000.
        MotionCase{"v_down_reverses",
                   &kVerticalAxis,
                   25,
                   {{3, 208}},
                   {0, 229, 219, 210, 219, 229, 239, 9}},
        MotionCase{"v_30fps_down", &kVerticalAxis, 30, {{3, 208}}, {0, 231, 222, 215, 222, 231}},
        MotionCase{"h_up_reverses", &kHorizontalAxis, 25, {{1, 200}}, {0, 306, 319, 12, 25}},
        MotionCase{"h_30fps_up", &kHorizontalAxis, 30, {{1, 200}}, {0, 308, 0, 10, 21, 32}},
        MotionCase{
            "h_down_keeps_going", &kHorizontalAxis, 25, {{1, 208}, {2, 7}}, {0, 306, 293, 280}}),
    test::MotionCaseName);

// The frame as the plug-in runs it, with this process's own WorkSurface and motion.
class WrappedFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = test::FreshHost();
    TheWrappedSlideMotion() = SlideMotion{};
  }
  void TearDown() override {
    plugin::ReleaseSurfaces();
    TheWrappedSlideMotion() = SlideMotion{};
  }
  // CeateDll and play at `t`.
  void StartAt(const SlideAxis& axis, std::uint32_t t) {
    ASSERT_EQ(WrappedSlideCreate(axis), 1);
    SetVirtualClock(t);
    WrappedSlidePlay();
  }
  std::vector<std::uint16_t> Read(const host::HostSurface& s) {
    std::vector<std::uint16_t> out(std::size_t{s.width()} * s.height());
    s.Read(out.data());
    return out;
  }

  std::unique_ptr<host::HostEnvironment> host_;
};

TEST_F(WrappedFrameTest, FramesScrollThroughTheWorkSurfaceWithNoBlackBand) {
  StartAt(kVerticalAxis, 1000);
  host::HostSurface surface(host_->directDraw(), 320, 240);
  const int expected[] = {0, 229, 219};
  for (int i = 0; i < 3; ++i) {
    const auto in = test::CountingFrame(320, 240, static_cast<std::uint16_t>(i));
    surface.Write(in.data());
    SetVirtualClock(1040 + 40 * i);
    ASSERT_EQ(WrappedSlideEffectOut(kVerticalAxis, surface.get()), 1);
    const auto out = Read(surface);
    EXPECT_EQ(out, Rotated(in, 320, 240, Axis::Vertical, expected[i])) << "frame " << i;
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), 0) << "frame " << i;
  }
}

TEST_F(WrappedFrameTest, HostOfAnotherSizeGetsTheWorkSurfaceAsItWasAndTheScrollStandsStill) {
  StartAt(kHorizontalAxis, 1000);
  host::HostSurface full(host_->directDraw(), 320, 240);
  const auto picture = test::CountingFrame(320, 240);
  full.Write(picture.data());
  SetVirtualClock(1040);
  ASSERT_EQ(WrappedSlideEffectOut(kHorizontalAxis, full.get()), 1);  // offset 0: a plain copy
  const SlideMotion before = TheWrappedSlideMotion();

  struct Size {
    std::uint32_t width, height;
  };
  for (const Size size : {Size{160, 120}, Size{0, 0}, Size{1, 1}, Size{321, 240}, Size{320, 239}}) {
    host::HostSurface other(host_->directDraw(), size.width, size.height);
    SetVirtualClock(2000);
    EXPECT_EQ(WrappedSlideEffectOut(kHorizontalAxis, other.get()), 1);
    EXPECT_EQ(TheWrappedSlideMotion().position, before.position)
        << size.width << "x" << size.height;
    EXPECT_EQ(TheWrappedSlideMotion().offset, before.offset);
    EXPECT_EQ(TheWrappedSlideMotion().lastTime, before.lastTime);
    if (size.width == 160) {
      // The whole WorkSurface scaled onto the whole host surface.
      const auto out = Read(other);
      for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) ASSERT_EQ(out[y * 160 + x], picture[(2 * y) * 320 + 2 * x]);
    }
  }
}

TEST_F(WrappedFrameTest, FailingLocks) {
  StartAt(kVerticalAxis, 1000);
  host::HostSurface surface(host_->directDraw(), 320, 240);
  const auto first = test::CountingFrame(320, 240, 0), second = test::CountingFrame(320, 240, 7);
  surface.Write(first.data());
  SetVirtualClock(1040);
  ASSERT_EQ(WrappedSlideEffectOut(kVerticalAxis, surface.get()), 1);
  const SlideMotion before = TheWrappedSlideMotion();

  // The host surface: 0, nothing touched, no advance.
  surface.Write(second.data());
  SetVirtualClock(1080);
  InjectFault(Fault::Lock, 1);
  EXPECT_EQ(WrappedSlideEffectOut(kVerticalAxis, surface.get()), 0);
  EXPECT_EQ(Read(surface), second);
  EXPECT_EQ(TheWrappedSlideMotion().position, before.position);

  // The WorkSurface: 1, the previous output again, no advance.
  InjectFault(Fault::Lock, 1, 1);
  EXPECT_EQ(WrappedSlideEffectOut(kVerticalAxis, surface.get()), 1);
  EXPECT_EQ(Read(surface), first);
  EXPECT_EQ(TheWrappedSlideMotion().position, before.position);
  EXPECT_EQ(TheWrappedSlideMotion().offset, before.offset);
}

TEST_F(WrappedFrameTest, PlayClearsTheWorkSurfaceAndRestartsUnrotated) {
  StartAt(kVerticalAxis, 1000);
  host::HostSurface surface(host_->directDraw(), 320, 240);
  const auto in = test::CountingFrame(320, 240);
  for (int i = 0; i < 3; ++i) {
    surface.Write(in.data());
    SetVirtualClock(1040 + 40 * i);
    WrappedSlideEffectOut(kVerticalAxis, surface.get());
  }
  SetVirtualClock(3000);
  WrappedSlidePlay();
  EXPECT_EQ(TheWrappedSlideMotion().offset, 0);
  EXPECT_EQ(TheWrappedSlideMotion().position, 0);
  EXPECT_EQ(TheWrappedSlideMotion().lastTime, 3000u);
  // With the WorkSurface locked away the host receives it as play left it: black.
  surface.Write(in.data());
  InjectFault(Fault::Lock, 1, 1);
  SetVirtualClock(3040);
  ASSERT_EQ(WrappedSlideEffectOut(kVerticalAxis, surface.get()), 1);
  EXPECT_EQ(Read(surface), std::vector<std::uint16_t>(in.size(), 0));
  surface.Write(in.data());
  ASSERT_EQ(WrappedSlideEffectOut(kVerticalAxis, surface.get()), 1);
  EXPECT_EQ(Read(surface), in) << "the first frame after play is a plain copy";
}

TEST_F(WrappedFrameTest, CallsWithoutAWorkSurfaceChangeNothing) {
  // Before CeateDll, after ReleaseDll, and after a CeateDll that found no DirectDraw
  // object: the host broke the calling order.
  host::HostSurface surface(host_->directDraw(), 320, 240);
  const auto in = test::CountingFrame(320, 240);
  surface.Write(in.data());
  auto expectNothing = [&](const char* when) {
    const SlideMotion before = TheWrappedSlideMotion();
    SetVirtualClock(9000);
    EXPECT_EQ(WrappedSlideEffectOut(kVerticalAxis, surface.get()), 0) << when;
    WrappedSlidePlay();
    EXPECT_EQ(Read(surface), in) << when;
    EXPECT_EQ(TheWrappedSlideMotion().position, before.position) << when;
    EXPECT_EQ(TheWrappedSlideMotion().lastTime, before.lastTime) << when;
  };
  expectNothing("before CeateDll");
  StartAt(kVerticalAxis, 1000);
  plugin::ReleaseSurfaces();
  expectNothing("after ReleaseDll");
  RegReset();
  plugin::TheHostObjects() = plugin::HostObjects{};
  EXPECT_EQ(WrappedSlideCreate(kHorizontalAxis), 0);
  EXPECT_EQ(TheWrappedSlideMotion().direction, 0) << "set up before the surface is made";
  EXPECT_EQ(TheWrappedSlideMotion().span, 1000);
  expectNothing("after a failed CeateDll");
}

}  // namespace
}  // namespace lw::effects

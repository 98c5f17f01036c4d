// The six pixel plug-ins end to end through fxhost render: raw frames in, raw frames
// out, at 25 and 30 frames a second with keys, each output frame compared with what the
// effect computes for the offsets its motion reaches at those times.
#include <gtest/gtest.h>

#include "effects/pixel/feedback.h"
#include "effects/pixel/interlaced_composition.h"
#include "effects/pixel/slide.h"
#include "effects/pixel/wrapped_slide.h"
#include "pixel_test_support.h"

namespace lw::effects {
namespace {

constexpr int kW = 320, kH = 240;
constexpr std::size_t kFrame = std::size_t{kW} * kH;

enum class Kind { Slide, WrappedSlide, Feedback, Composition };

struct RenderCase {
  const char* deliverable;
  Kind kind;
  const SlideAxis* axis;  // the slides'
  double fps;
  const char* format;
  const char* keys;
  std::vector<std::int32_t> offsets;  // the slides': one a frame
  int frames;
};

class PixelRenderTest : public ::testing::TestWithParam<RenderCase> {};

TEST_P(PixelRenderTest, RendersWhatTheEffectComputes) {
  const RenderCase& c = GetParam();
  const int frames = c.offsets.empty() ? c.frames : static_cast<int>(c.offsets.size());
  const auto dir = test::TempDir();
  std::vector<std::vector<std::uint16_t>> inputs, inputs2;
  for (int i = 0; i < 3; ++i) {  // the last one repeats
    inputs.push_back(test::CountingFrame(kW, kH, static_cast<std::uint16_t>(1000 * i)));
    inputs2.push_back(test::CountingFrame(kW, kH, static_cast<std::uint16_t>(40000 + 777 * i)));
  }
  test::WriteRaw(dir / "in.raw", inputs);
  test::WriteRaw(dir / "in2.raw", inputs2);
  std::string args = std::string("render ") + c.deliverable +
                     " --input raw:" + (dir / "in.raw").string() + " --output " +
                     (dir / "out.raw").string() + " --frames " + std::to_string(frames) +
                     " --fps " + std::to_string(static_cast<int>(c.fps)) + " --pixel-format " +
                     c.format + " --keys " + c.keys + " --no-progress";
  if (c.kind == Kind::Composition) args += " --input2 raw:" + (dir / "in2.raw").string();
  const auto r = test::RunFxhost(args);
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const auto out = test::ReadRaw(dir / "out.raw");
  ASSERT_EQ(out.size(), frames * kFrame);

  const auto layout =
      std::string(c.format) == "rgb555" ? plugin::PixelLayout::Rgb555 : plugin::PixelLayout::Rgb565;
  std::vector<std::uint16_t> trail(kFrame,
                                   0);  // feedback's WorkSurface, cleared by play at frame 0
  for (int i = 0; i < frames; ++i) {
    const auto& in = inputs[std::min(i, 2)];
    std::vector<std::uint16_t> expected = in;
    switch (c.kind) {
      case Kind::Slide:
        if (c.axis->axis == Axis::Vertical)
          ShiftRows(expected.data(), kW, kH, c.offsets[i]);
        else
          ShiftColumns(expected.data(), kW, kH, c.offsets[i]);
        break;
      case Kind::WrappedSlide:
        if (c.axis->axis == Axis::Vertical)
          WrapRows(in.data(), expected.data(), kW, kH, c.offsets[i]);
        else
          WrapColumns(in.data(), expected.data(), kW, kH, c.offsets[i]);
        break;
      case Kind::Feedback:
        BlendFeedbackPortable(in.data(), trail.data(), FeedbackGroups(kW, kH), layout);
        expected = trail;
        break;
      case Kind::Composition:
        InterlaceRows(expected.data(), inputs2[std::min(i, 2)].data(), kW, kH);
        break;
    }
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(),
                           out.begin() + static_cast<std::ptrdiff_t>(i * kFrame)))
        << "frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Plugins, PixelRenderTest,
    ::testing::Values(
        RenderCase{"v_slide",
                   Kind::Slide,
                   &kVerticalAxis,
                   25,
                   "rgb565",
                   "464@4",
                   {0, -9, -19, -28, -38, -28, -18},
                   0},
        RenderCase{"v_slide",
                   Kind::Slide,
                   &kVerticalAxis,
                   30,
                   "rgb555",
                   "down@3",
                   {0, -7, -16, -23, -16, -7},
                   0},
        RenderCase{"h_slide",
                   Kind::Slide,
                   &kHorizontalAxis,
                   25,
                   "rgb565",
                   "up@2",
                   {0, -12, -25, -12, 0, 12},
                   0},
        RenderCase{"h_slide",
                   Kind::Slide,
                   &kHorizontalAxis,
                   30,
                   "rgb565",
                   "up@2",
                   {0, -10, -21, -10, 0, 10},
                   0},
        RenderCase{"v_wrapped_slide",
                   Kind::WrappedSlide,
                   &kVerticalAxis,
                   25,
                   "rgb565",
                   "down@3",
                   {0, 229, 219, 210, 219, 229, 239, 9},
                   0},
        RenderCase{"v_wrapped_slide",
                   Kind::WrappedSlide,
                   &kVerticalAxis,
                   30,
                   "rgb555",
                   "down@3",
                   {0, 231, 222, 215, 222, 231},
                   0},
        RenderCase{"h_wrapped_slide",
                   Kind::WrappedSlide,
                   &kHorizontalAxis,
                   25,
                   "rgb565",
                   "up@1",
                   {0, 306, 319, 12, 25},
                   0},
        RenderCase{"h_wrapped_slide",
                   Kind::WrappedSlide,
                   &kHorizontalAxis,
                   30,
                   "rgb565",
                   "456@1",
                   {0, 308, 0, 10, 21, 32},
                   0},
        RenderCase{"feedback", Kind::Feedback, nullptr, 25, "rgb565", "up@1,down@2", {}, 6},
        RenderCase{"feedback", Kind::Feedback, nullptr, 30, "rgb555", "down@3", {}, 5},
        RenderCase{
            "interlaced_composition", Kind::Composition, nullptr, 25, "rgb565", "up@1", {}, 4},
        RenderCase{
            "interlaced_composition", Kind::Composition, nullptr, 30, "rgb555", "down@2", {}, 4}),
    [](const auto& info) {
      return std::string(info.param.deliverable) + "_" +
             std::to_string(static_cast<int>(info.param.fps)) + "fps_" + info.param.format;
    });

}  // namespace
}  // namespace lw::effects

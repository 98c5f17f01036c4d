// Feedback: the previous output kept in the WorkSurface, and each incoming frame blended
// into it channel by channel, each channel weighted by its own brightness: bright input
// replaces the trail, dark input lets it show through, black input fades it one step a
// frame. Play clears the trail.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "lw/plugin/entry_points.h"
#include "lw/plugin/surfaces.h"

namespace lw::effects {

// Where a layout keeps its 5-bit red and green fields (blue is always at bit 0). RGB565
// green is read as its upper five bits and written back with its lowest bit 0.
struct FeedbackFields {
  int redShift;
  int greenShift;
};
constexpr FeedbackFields FeedbackFieldsOf(plugin::PixelLayout layout) {
  return layout == plugin::PixelLayout::Rgb555 ? FeedbackFields{10, 5} : FeedbackFields{11, 6};
}

// One channel: (s x s + f x (31 - s)) / 32, rounded down; s the incoming, f the
// previous value, both 0..31. The result is at most 30.
constexpr std::uint16_t BlendChannel(std::uint16_t s, std::uint16_t f) {
  return static_cast<std::uint16_t>((s * s + f * (31 - s)) >> 5);
}

// One pixel: the three blended channels at their places, every other bit 0.
constexpr std::uint16_t BlendFeedbackPixel(std::uint16_t source, std::uint16_t previous,
                                           plugin::PixelLayout layout) {
  const FeedbackFields f = FeedbackFieldsOf(layout);
  auto field = [](std::uint16_t p, int shift) {
    return static_cast<std::uint16_t>((p >> shift) & 31);
  };
  return static_cast<std::uint16_t>(
      BlendChannel(field(source, f.redShift), field(previous, f.redShift)) << f.redShift |
      BlendChannel(field(source, f.greenShift), field(previous, f.greenShift)) << f.greenShift |
      BlendChannel(field(source, 0), field(previous, 0)));
}

// The number of four-pixel groups blended on a width x height frame: width / 4 groups
// a row's worth, taken in memory order without regard to rows, so with a width that is
// not a multiple of 4 the last (width % 4) x height pixels in memory stay as they were.
constexpr std::size_t FeedbackGroups(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  return static_cast<std::size_t>(width / 4) * static_cast<std::size_t>(height);
}

// Blends `groups` groups of four pixels of `source` into `work`. Every kernel gives the
// same result: the portable one a pixel at a time, the others 8, 16 or 32 pixels at a
// time in 16-bit lanes (SSE2, AVX2, AVX-512BW on x86-64).
using FeedbackBlendKernel = void (*)(const std::uint16_t* source, std::uint16_t* work,
                                     std::size_t groups, plugin::PixelLayout layout);
struct FeedbackKernel {
  const char* name;
  FeedbackBlendKernel blend;
};
void BlendFeedbackPortable(const std::uint16_t* source, std::uint16_t* work, std::size_t groups,
                           plugin::PixelLayout layout);
// The kernels this processor runs, the portable one first and the fastest last.
std::span<const FeedbackKernel> FeedbackKernels();

// The blend of a whole frame, with the fastest kernel.
void BlendFeedback(const std::uint16_t* source, std::uint16_t* work, int width, int height,
                   plugin::PixelLayout layout);

extern const plugin::PluginHooks kFeedbackHooks;

}  // namespace lw::effects

#include "slide.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "lw/clock.h"
#include "lw/plugin/surfaces.h"

namespace lw::effects {
namespace {

// Direction, span, position, clock origin and the offset of the next frame; they
// persist across ReleaseDll while the library stays loaded.
SlideMotion gMotion;

// Moves a run of n pixels by `by` places in place (toward its end when positive) and
// fills the places left behind with 0. memmove reads every source pixel before it is
// overwritten, as the row-by-row copy in the direction of motion would.
void ShiftRun(std::uint16_t* run, std::size_t n, std::int64_t by) {
  if (n == 0) return;
  const std::size_t distance = static_cast<std::size_t>(
      std::min<std::uint64_t>(static_cast<std::uint64_t>(by < 0 ? -by : by), n));
  const std::size_t kept = n - distance;
  if (by >= 0) {
    std::memmove(run + distance, run, kept * sizeof *run);
    std::fill_n(run, distance, std::uint16_t{0});
  } else {
    std::memmove(run, run + distance, kept * sizeof *run);
    std::fill_n(run + kept, distance, std::uint16_t{0});
  }
}

}  // namespace

void ShiftRows(std::uint16_t* pixels, int width, int height, std::int32_t offset) {
  if (width <= 0 || height <= 0) return;
  // Whole rows lie one after another, so moving rows is moving the frame's pixels by
  // whole rows.
  ShiftRun(pixels, static_cast<std::size_t>(width) * height, std::int64_t{offset} * width);
}

void ShiftColumns(std::uint16_t* pixels, int width, int height, std::int32_t offset) {
  if (width <= 0 || height <= 0) return;
  for (int y = 0; y < height; ++y)
    ShiftRun(pixels + static_cast<std::size_t>(y) * width, static_cast<std::size_t>(width), offset);
}

std::int32_t WrapSlidePosition(std::int64_t position, std::int32_t span) {
  if (position > span) position = position % span - span;
  if (position < -span) position = span - (-position) % span;
  return static_cast<std::int32_t>(position);
}

void AdvanceSlide(SlideMotion& m, const SlideAxis& axis, int extent) {
  // The further the picture is displaced, the faster it moves.
  const std::int64_t applied = m.offset;
  AdvanceMotion(
      m, axis, extent,
      [applied](std::int64_t elapsed) {
        return elapsed + applied * applied / kSlideSpeedUpDivisor;
      },
      WrapSlidePosition);
}

SlideMotion& TheSlideMotion() {
  return gMotion;
}

std::int32_t SlideCreate(const SlideAxis& axis) {
  SetUpSlideMotion(gMotion, axis);
  return 1;
}

std::int32_t SlideEffectOut(const SlideAxis& axis, Surface* surface) {
  plugin::LockedSurface locked(surface);
  if (!locked.ok()) return 0;
  const int width = locked.width(), height = locked.height();
  if (axis.axis == Axis::Vertical)
    ShiftRows(locked.pixels(), width, height, gMotion.offset);
  else
    ShiftColumns(locked.pixels(), width, height, gMotion.offset);
  AdvanceSlide(gMotion, axis, SlideExtent(axis, width, height));
  return 1;
}

void SlideKey(std::uint8_t key) {
  SteerSlideMotion(gMotion, key);
}

void SlidePlay() {
  RestartSlideMotion(gMotion, timeGetTime());
}

}  // namespace lw::effects

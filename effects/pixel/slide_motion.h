// What the slides and the wrapped slides share: the axis a plug-in moves the picture
// along (data, bound by each plug-in folder), and the motion state that CeateDll, the
// arrow keys and play act on. How the position advances and wraps is each effect's own.
#pragma once
#include <algorithm>
#include <cstdint>

#include "lw/clock.h"
#include "lw/plugin/entry_points.h"

namespace lw::effects {

enum class Axis { Vertical, Horizontal };

struct SlideAxis {
  Axis axis;
  std::int32_t initialDirection;  // what CeateDll sets
  // How the position moves while direction is 1 (after the up key): -1 decreases it
  // (the vertical picture moves up), +1 increases it (the horizontal one moves right).
  // Direction 0 moves it the other way.
  std::int32_t upSign;
};

inline constexpr SlideAxis kVerticalAxis{Axis::Vertical, 1, -1};
inline constexpr SlideAxis kHorizontalAxis{Axis::Horizontal, 0, +1};

// Milliseconds in the position cycle (half of it for the slides).
constexpr std::int32_t kSlideSpan = 1000;

// One per loaded library; everything zero at load. The state survives ReleaseDll.
struct SlideMotion {
  std::int32_t direction = 0;  // 1 after the up key, 0 after the down key
  std::int32_t span = 0;       // 0 until CeateDll: such a motion stands still
  std::int32_t position = 0;
  std::uint32_t lastTime = 0;  // clock reading at the end of the previous frame
  std::int32_t offset = 0;     // pixels the next frame moves the picture by
};

// The length of the picture along the axis.
constexpr int SlideExtent(const SlideAxis& axis, int width, int height) {
  return axis.axis == Axis::Vertical ? height : width;
}

// CeateDll: a fresh offset, the plug-in's direction and the span; the position and the
// clock origin are left as they are.
constexpr void SetUpSlideMotion(SlideMotion& m, const SlideAxis& axis) {
  m.offset = 0;
  m.span = kSlideSpan;
  m.direction = axis.initialDirection;
}

// StreamOutPlay: the motion restarts from the unshifted picture, timed from `now`.
constexpr void RestartSlideMotion(SlideMotion& m, std::uint32_t now) {
  m.offset = 0;
  m.position = 0;
  m.lastTime = now;
}

// Up sets direction 1, down direction 0; any other key changes nothing.
constexpr void SteerSlideMotion(SlideMotion& m, std::uint8_t key) {
  if (key == plugin::kKeyUp) m.direction = 1;
  if (key == plugin::kKeyDown) m.direction = 0;
}

// The position moved by `step` milliseconds in the sense the direction gives. Wide
// enough for any elapsed time the 32-bit clock can report.
constexpr std::int64_t MovedPosition(const SlideMotion& m, const SlideAxis& axis,
                                     std::int64_t step) {
  const std::int64_t sign = m.direction == 1 ? axis.upSign : -axis.upSign;
  return std::int64_t{m.position} + sign * step;
}

// Milliseconds since `last` on the wrapping 32-bit clock.
constexpr std::uint32_t ElapsedSince(std::uint32_t last, std::uint32_t now) {
  return now - last;
}

// (extent - 1) x position / span, truncated toward zero. A surface with no pixels along
// the axis gets offset 0.
constexpr std::int32_t OffsetAt(std::int32_t position, std::int32_t span, int extent) {
  const std::int64_t reach = std::max(extent - 1, 0);
  return static_cast<std::int32_t>(reach * position / span);
}

// After a frame: moves the position by step(elapsed milliseconds) in the sense of the
// direction, brings it back into range with wrap(position, span), computes the offset of
// the next frame, and stamps lastTime with a fresh clock reading taken after the
// arithmetic. A motion without a span (CeateDll never ran) stands still.
template <typename Step, typename Wrap>
void AdvanceMotion(SlideMotion& m, const SlideAxis& axis, int extent, Step step, Wrap wrap) {
  if (m.span <= 0) return;
  const std::int64_t elapsed = ElapsedSince(m.lastTime, timeGetTime());
  m.position = wrap(MovedPosition(m, axis, step(elapsed)), m.span);
  m.offset = OffsetAt(m.position, m.span, extent);
  m.lastTime = timeGetTime();
}

}  // namespace lw::effects

// Slides: the picture shifted in place along one axis by an offset that follows a
// position cycling with the elapsed milliseconds, faster the further the picture is
// displaced; the uncovered band is black. One source for both axes: each plug-in
// folder binds its axis with SlideHooks<axis>().
#pragma once
#include <cstdint>

#include "effects/pixel/slide_motion.h"
#include "lw/plugin/entry_points.h"

namespace lw::effects {

// Each step adds offset x offset / this to the elapsed milliseconds.
constexpr std::int64_t kSlideSpeedUpDivisor = 1000;

// In place on height rows of width pixels without gaps. A positive offset moves the
// picture down (right), a negative one up (left); the rows (columns) left behind
// become 0. An offset beyond the picture leaves it all black.
void ShiftRows(std::uint16_t* pixels, int width, int height, std::int32_t offset);
void ShiftColumns(std::uint16_t* pixels, int width, int height, std::int32_t offset);

// A moved position brought back into -span..span: past +span it re-enters from -span,
// past -span from +span. Exactly +-span stays.
std::int32_t WrapSlidePosition(std::int64_t position, std::int32_t span);

// After a frame that applied m.offset on a picture `extent` pixels long along the axis:
// moves the position by the elapsed time plus the speed-up term, wraps it, computes the
// next offset and stamps lastTime with a fresh clock reading. A motion without a span
// (CeateDll never ran) stands still.
void AdvanceSlide(SlideMotion& m, const SlideAxis& axis, int extent);

// The library's motion state, and the hooks' work for a given axis.
SlideMotion& TheSlideMotion();
std::int32_t SlideCreate(const SlideAxis& axis);
std::int32_t SlideEffectOut(const SlideAxis& axis, Surface* surface);
void SlideKey(std::uint8_t key);
void SlidePlay();

template <const SlideAxis& kAxis>
constexpr plugin::PluginHooks SlideHooks() {
  return {
      .createDll = [] { return SlideCreate(kAxis); },
      .effectOut = [](Surface* surface) { return SlideEffectOut(kAxis, surface); },
      .keyTriggered = SlideKey,
      .streamOutPlay = SlidePlay,
  };
}

}  // namespace lw::effects

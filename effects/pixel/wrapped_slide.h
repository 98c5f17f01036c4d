// Wrapped slides: the picture scrolled at constant speed along one axis with
// wrap-around, built in the WorkSurface and copied onto the host surface. One source
// for both axes: each plug-in folder binds its axis with WrappedSlideHooks<axis>().
#pragma once
#include <cstdint>

#include "effects/pixel/slide_motion.h"
#include "lw/plugin/entry_points.h"
#include "lw/plugin/host_objects.h"

namespace lw::effects {

// From `source` into `target`, both height rows of width pixels without gaps: the
// picture rotated down (WrapRows) or right (WrapColumns) by offset pixels, what leaves
// at one edge entering at the other. Every target pixel is written; the source is only
// read. Offsets outside 0..extent-1 rotate by their remainder.
void WrapRows(const std::uint16_t* source, std::uint16_t* target, int width, int height,
              std::int32_t offset);
void WrapColumns(const std::uint16_t* source, std::uint16_t* target, int width, int height,
                 std::int32_t offset);

// A moved position brought back into 0..span: past span it starts again from 0, below 0
// it counts back from span. Exactly span stays, and exactly -span becomes span.
std::int32_t WrapScrollPosition(std::int64_t position, std::int32_t span);

// After a frame that rotated the picture by m.offset: moves the position by the elapsed
// time, wraps it, computes the next offset (0..extent-1) and stamps lastTime with a
// fresh clock reading. A motion without a span stands still.
void AdvanceWrappedSlide(SlideMotion& m, const SlideAxis& axis, int extent);

// The library's motion state, and the hooks' work for a given axis.
SlideMotion& TheWrappedSlideMotion();
std::int32_t WrappedSlideCreate(const SlideAxis& axis);
std::int32_t WrappedSlideEffectOut(const SlideAxis& axis, Surface* surface);
void WrappedSlideKey(std::uint8_t key);
void WrappedSlidePlay();

template <const SlideAxis& kAxis>
constexpr plugin::PluginHooks WrappedSlideHooks() {
  return {
      .createDll = [] { return WrappedSlideCreate(kAxis); },
      .releaseDll = plugin::ReleaseSurfaces,
      .effectOut = [](Surface* surface) { return WrappedSlideEffectOut(kAxis, surface); },
      .keyTriggered = WrappedSlideKey,
      .streamOutPlay = WrappedSlidePlay,
  };
}

}  // namespace lw::effects

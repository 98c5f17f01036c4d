#include "wrapped_slide.h"

#include <algorithm>

#include "effects/pixel/work_surface_frame.h"
#include "lw/clock.h"
#include "lw/plugin/host_objects.h"

namespace lw::effects {
namespace {

// Direction, span, position, clock origin and the offset of the next frame; they
// persist across ReleaseDll while the library stays loaded.
SlideMotion gMotion;

// target[i] = source[(i - by) mod n] for a run of n pixels: rotated toward its end.
void RotateRunInto(const std::uint16_t* source, std::uint16_t* target, std::size_t n,
                   std::size_t by) {
  if (n == 0) return;
  by %= n;
  std::copy_n(source, n - by, target + by);
  std::copy_n(source + (n - by), by, target);
}

std::size_t RotationOf(std::int64_t offset, std::size_t n) {
  const auto size = static_cast<std::int64_t>(n);
  return static_cast<std::size_t>((offset % size + size) % size);
}

}  // namespace

void WrapRows(const std::uint16_t* source, std::uint16_t* target, int width, int height,
              std::int32_t offset) {
  if (width <= 0 || height <= 0) return;
  // Rows lie one after another, so rotating rows is rotating the frame by whole rows.
  const auto row = static_cast<std::size_t>(width);
  RotateRunInto(source, target, row * height, RotationOf(offset, height) * row);
}

void WrapColumns(const std::uint16_t* source, std::uint16_t* target, int width, int height,
                 std::int32_t offset) {
  if (width <= 0 || height <= 0) return;
  const auto row = static_cast<std::size_t>(width);
  const std::size_t by = RotationOf(offset, row);
  for (int y = 0; y < height; ++y) RotateRunInto(source + y * row, target + y * row, row, by);
}

std::int32_t WrapScrollPosition(std::int64_t position, std::int32_t span) {
  if (position > span) position %= span;
  if (position < 0) position = span - (-position) % span;
  return static_cast<std::int32_t>(position);
}

void AdvanceWrappedSlide(SlideMotion& m, const SlideAxis& axis, int extent) {
  // Constant speed: the position moves by the elapsed time alone.
  AdvanceMotion(
      m, axis, extent, [](std::int64_t elapsed) { return elapsed; }, WrapScrollPosition);
}

SlideMotion& TheWrappedSlideMotion() {
  return gMotion;
}

std::int32_t WrappedSlideCreate(const SlideAxis& axis) {
  // The motion is set up first, so it holds even when the surface cannot be made.
  SetUpSlideMotion(gMotion, axis);
  return plugin::CreateWorkSurface(plugin::HostRole::Pixel);
}

std::int32_t WrappedSlideEffectOut(const SlideAxis& axis, Surface* surface) {
  return RunWorkSurfaceFrame(
      surface, [&](plugin::LockedSurface& host, plugin::LockedSurface& work) {
        const int width = host.width(), height = host.height();
        if (axis.axis == Axis::Vertical)
          WrapRows(host.pixels(), work.pixels(), width, height, gMotion.offset);
        else
          WrapColumns(host.pixels(), work.pixels(), width, height, gMotion.offset);
        AdvanceWrappedSlide(gMotion, axis, SlideExtent(axis, width, height));
      });
}

void WrappedSlideKey(std::uint8_t key) {
  SteerSlideMotion(gMotion, key);
}

void WrappedSlidePlay() {
  // Without a WorkSurface the host broke the calling order: change nothing.
  if (plugin::WorkSurface() == nullptr) return;
  RestartSlideMotion(gMotion, timeGetTime());
  plugin::ClearWorkSurface();
}

}  // namespace lw::effects

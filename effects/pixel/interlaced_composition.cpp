#include "interlaced_composition.h"

#include <algorithm>

#include "lw/plugin/surfaces.h"

namespace lw::effects {
namespace {

// No state: each call stands on its own.

std::int32_t interlaced_composition_out(Surface* first, Surface* second) {
  plugin::LockedSurface target(first);
  if (!target.ok()) return 0;
  plugin::LockedSurface source(second);
  // A second source that cannot be locked, or of another size, leaves the first as it is.
  if (source.ok() && source.SameSizeAs(target))
    InterlaceRows(target.pixels(), source.pixels(), target.width(), target.height());
  return 1;  // the second surface is unlocked first, then the first
}

}  // namespace

void InterlaceRows(std::uint16_t* target, const std::uint16_t* source, int width, int height) {
  if (width <= 0 || height <= 0) return;
  const auto row = static_cast<std::size_t>(width);
  const int groups = height / kInterlaceGroupRows;
  for (int k = 0; k < groups; ++k) {
    const std::size_t start = static_cast<std::size_t>(k) * kInterlaceGroupRows * row;
    std::copy_n(source + start, kInterlaceBandRows * row, target + start);
  }
}

const plugin::PluginHooks kInterlacedCompositionHooks{
    .compositionOut = interlaced_composition_out,
};

}  // namespace lw::effects

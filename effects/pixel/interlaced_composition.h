// Interlaced composition: the second source written into the first in horizontal bands,
// two rows of the second, then two rows of the first's own, starting at row 0.
#pragma once
#include <cstdint>

#include "lw/plugin/entry_points.h"

namespace lw::effects {

constexpr int kInterlaceGroupRows = 4;  // a band of the second source, then the first's
constexpr int kInterlaceBandRows = 2;

// Both height rows of width pixels without gaps. Rows 4k and 4k + 1 of `target` become
// those of `source` for every whole group of four rows; the rest of `target`, the last
// height % 4 rows included, is left alone. `source` is only read.
void InterlaceRows(std::uint16_t* target, const std::uint16_t* source, int width, int height);

extern const plugin::PluginHooks kInterlacedCompositionHooks;

}  // namespace lw::effects

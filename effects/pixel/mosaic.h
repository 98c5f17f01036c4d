// Mosaic: pixelates the frame in place into cells 8 pixels wide and cellHeight rows
// tall, each taking the colour of its top-left pixel; up and down double and halve the
// cell height.
#pragma once
#include <cstdint>

#include "lw/plugin/entry_points.h"

namespace lw::effects {

constexpr int kMosaicCellWidth = 8;
constexpr std::int32_t kMosaicInitialCellHeight = 8;
constexpr std::int32_t kMosaicMaxDoublingHeight = 240;  // above this, up does nothing

// pixels holds height rows of width 16-bit pixels without gaps.
void MosaicPixels(std::uint16_t* pixels, int width, int height, int cellHeight);
// The cell height after a key: up doubles up to 256, down halves down to 1.
std::int32_t MosaicCellHeightAfterKey(std::int32_t cellHeight, std::uint8_t key);

extern const plugin::PluginHooks kMosaicHooks;

}  // namespace lw::effects

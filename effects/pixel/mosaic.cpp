#include "mosaic.h"

#include <algorithm>

#include "lw/plugin/surfaces.h"

namespace lw::effects {
namespace {

// The plug-in's only state: chosen by the keys, it survives release and re-creation.
std::int32_t gCellHeight = kMosaicInitialCellHeight;

std::int32_t mosaic_effect_out(Surface* surface) {
  plugin::LockedSurface locked(surface);
  if (!locked.ok()) return 0;
  MosaicPixels(locked.pixels(), locked.width(), locked.height(), gCellHeight);
  return 1;
}

void mosaic_key(std::uint8_t key) { gCellHeight = MosaicCellHeightAfterKey(gCellHeight, key); }

}  // namespace

void MosaicPixels(std::uint16_t* pixels, int width, int height, int cellHeight) {
  if (cellHeight < 1) return;
  for (int y = 0; y < height; y += cellHeight) {
    const int rows = std::min(cellHeight, height - y);
    std::uint16_t* top = pixels + static_cast<std::size_t>(y) * width;
    // The cell row's first line: each run of 8 becomes its first pixel. The runs never
    // overlap, so every cell colour is the value the frame arrived with.
    for (int x = 0; x < width; x += kMosaicCellWidth)
      std::fill_n(top + x, std::min(kMosaicCellWidth, width - x), top[x]);
    // The remaining lines of the cell row repeat the first.
    for (int j = 1; j < rows; ++j) std::copy_n(top, width, top + static_cast<std::size_t>(j) * width);
  }
}

std::int32_t MosaicCellHeightAfterKey(std::int32_t cellHeight, std::uint8_t key) {
  if (key == plugin::kKeyUp && cellHeight <= kMosaicMaxDoublingHeight) return cellHeight * 2;
  if (key == plugin::kKeyDown && cellHeight >= 2) return cellHeight / 2;
  return cellHeight;
}

const plugin::PluginHooks kMosaicHooks{
    .effectOut = mosaic_effect_out,
    .keyTriggered = mosaic_key,
};

}  // namespace lw::effects

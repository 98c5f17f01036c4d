// A palette of at most 256 colours for one 16-bit frame (median cut over the frame's
// colours), and the frame's pixels as indices into it: what a GIF frame holds.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "lw/host/frames.h"

namespace lw::host {

struct PalettedFrame {
  std::vector<std::array<std::uint8_t, 3>> palette;  // 1 to 256 colours
  std::vector<std::uint8_t> indices;                  // width x height
};

PalettedFrame QuantizeFrame(const Frame& frame, DisplayMode layout);

}  // namespace lw::host

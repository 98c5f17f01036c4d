// Frames as the host moves them: 16-bit pixels in the chosen layout, and the
// conversions to and from 8-bit RGB.
#pragma once
#include <cstdint>
#include <vector>

#include "lw/ddraw.h"

namespace lw::host {

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint16_t> pixels;  // width x height, row after row
};

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // 3 bytes a pixel
};

// 8-bit RGB to 16 bits keeps each channel's top bits.
std::uint16_t PackRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b, DisplayMode layout);
// 16 bits to 8-bit RGB replicates each channel's top bits into its low ones.
void UnpackRgb(std::uint16_t p, DisplayMode layout, std::uint8_t* rgb);

Frame ToFrame(const RgbImage& image, DisplayMode layout);
RgbImage ToRgb(const Frame& frame, DisplayMode layout);
// Nearest-neighbour scaling to the given size.
RgbImage ScaleRgb(const RgbImage& image, int width, int height);

}  // namespace lw::host

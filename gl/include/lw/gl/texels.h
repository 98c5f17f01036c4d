// Conversion of the host's 16-bit pixels into the renderer's RGBA texels: four bytes a
// texel, red first, so a little-endian word holds red in bits 0-7 and alpha in 24-31.
// Each channel lands in the top bits of its byte. With near-black keying, a texel whose
// red, green and blue bytes are all below 32 gets alpha 0, every other alpha 255.
#pragma once
#include <cstdint>

#include "lw/plugin/surfaces.h"

namespace lw::gl {

using plugin::PixelLayout;

constexpr std::uint32_t kOpaque = 0xFF000000u;
constexpr std::uint32_t kKeyMask = 0x00E0E0E0u;  // bits that make a channel 32 or more

constexpr std::uint32_t TexelOf(std::uint32_t p, PixelLayout layout, bool keyNearBlack) {
  const std::uint32_t rgb =
      layout == PixelLayout::Rgb555
          ? ((p & 0x7C00) >> 7) | (((p & 0x03E0) >> 2) << 8) | (((p & 0x001F) << 3) << 16)
          : ((p & 0xF800) >> 8) | (((p & 0x07E0) >> 3) << 8) | (((p & 0x001F) << 3) << 16);
  return rgb | (!keyNearBlack || (rgb & kKeyMask) != 0 ? kOpaque : 0);
}

// Converts `height` rows of `width` pixels (rows 2 x width bytes apart) into texels,
// the bottom source row first, so texel row 0 holds the picture's bottom row. Four
// pixels a step, one 32-bit store per texel; `width` must be a multiple of four.
void ConvertFrameToTexels(const std::uint16_t* pixels, int width, int height, PixelLayout layout,
                          bool keyNearBlack, std::uint32_t* texels);

}  // namespace lw::gl

#include "lw/gl/texels.h"

#include <cstring>

namespace lw::gl {
namespace {

template <PixelLayout kLayout, bool kKey>
void ConvertRows(const std::uint16_t* pixels, int width, int height, std::uint32_t* out) {
  for (int y = height - 1; y >= 0; --y) {
    const std::uint16_t* in = pixels + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; x += 4) {
      std::uint64_t four;  // four pixels read as one word
      std::memcpy(&four, in + x, sizeof four);
      out[0] = TexelOf(static_cast<std::uint32_t>(four & 0xFFFF), kLayout, kKey);
      out[1] = TexelOf(static_cast<std::uint32_t>((four >> 16) & 0xFFFF), kLayout, kKey);
      out[2] = TexelOf(static_cast<std::uint32_t>((four >> 32) & 0xFFFF), kLayout, kKey);
      out[3] = TexelOf(static_cast<std::uint32_t>(four >> 48), kLayout, kKey);
      out += 4;
    }
  }
}

}  // namespace

void ConvertFrameToTexels(const std::uint16_t* pixels, int width, int height, PixelLayout layout,
                          bool keyNearBlack, std::uint32_t* texels) {
  if (layout == PixelLayout::Rgb555)
    keyNearBlack ? ConvertRows<PixelLayout::Rgb555, true>(pixels, width, height, texels)
                 : ConvertRows<PixelLayout::Rgb555, false>(pixels, width, height, texels);
  else
    keyNearBlack ? ConvertRows<PixelLayout::Rgb565, true>(pixels, width, height, texels)
                 : ConvertRows<PixelLayout::Rgb565, false>(pixels, width, height, texels);
}

}  // namespace lw::gl

// The built-in animated test pattern. Variant 0: colour bars over a grey ramp with a
// red corner marker (top left, to show orientation) and a white block that travels
// across; variant 1: a checkerboard crossed by moving diagonal stripes.
#include <algorithm>
#include <cmath>

#include "lw/host/io.h"

namespace lw::host {
namespace {

void Put(RgbImage& img, int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::uint8_t* p = &img.rgb[(static_cast<std::size_t>(y) * img.width + x) * 3];
  p[0] = r;
  p[1] = g;
  p[2] = b;
}

constexpr std::uint8_t kBars[8][3] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235},
                                      {16, 235, 16},   {235, 16, 235}, {235, 16, 16},
                                      {16, 16, 235},   {16, 16, 16}};

void BarsPattern(RgbImage& img, double seconds) {
  const int w = img.width, h = img.height;
  const int barsBottom = h * 2 / 3;
  const int rampBottom = h * 5 / 6;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (y < barsBottom) {
        const auto* c = kBars[std::min(7, x * 8 / std::max(1, w))];
        Put(img, x, y, c[0], c[1], c[2]);
      } else if (y < rampBottom) {
        auto v = static_cast<std::uint8_t>(255 * x / std::max(1, w - 1));
        Put(img, x, y, v, v, v);
      } else {
        Put(img, x, y, 24, 24, 96);
      }
    }
  // Corner marker: a red triangle in the top-left corner.
  const int marker = std::max(2, std::min(w, h) / 6);
  for (int y = 0; y < std::min(marker, h); ++y)
    for (int x = 0; x < std::min(marker - y, w); ++x) Put(img, x, y, 255, 32, 32);
  // A white block travelling left to right once every four seconds.
  const int block = std::max(2, h / 8);
  const double along = std::fmod(seconds / 4.0, 1.0);
  const int bx = static_cast<int>(along * std::max(1, w - block));
  const int by = rampBottom + (h - rampBottom - std::min(block, h - rampBottom)) / 2;
  for (int y = by; y < std::min(h, by + block); ++y)
    for (int x = bx; x < std::min(w, bx + block); ++x) Put(img, x, y, 255, 255, 255);
}

void StripesPattern(RgbImage& img, double seconds) {
  const int cell = std::max(2, img.height / 8);
  const int shift = static_cast<int>(seconds * 40.0);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const bool check = ((x / cell) + (y / cell)) % 2 == 0;
      const bool stripe = ((x + y + shift) / (cell / 2 + 1)) % 4 == 0;
      if (stripe)
        Put(img, x, y, 250, 140, 20);
      else if (check)
        Put(img, x, y, 30, 60, 200);
      else
        Put(img, x, y, 200, 220, 255);
    }
}

}  // namespace

RgbImage TestPattern(int width, int height, double seconds, int variant) {
  RgbImage img{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  if (width <= 0 || height <= 0) return img;
  if (variant == 1)
    StripesPattern(img, seconds);
  else
    BarsPattern(img, seconds);
  return img;
}

}  // namespace lw::host

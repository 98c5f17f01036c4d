#include "lw/host/frames.h"

namespace lw::host {

std::uint16_t PackRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b, DisplayMode layout) {
  if (layout == DisplayMode::Rgb555)
    return static_cast<std::uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
  return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

void UnpackRgb(std::uint16_t p, DisplayMode layout, std::uint8_t* rgb) {
  auto widen5 = [](unsigned v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); };
  auto widen6 = [](unsigned v) { return static_cast<std::uint8_t>((v << 2) | (v >> 4)); };
  if (layout == DisplayMode::Rgb555) {
    rgb[0] = widen5((p >> 10) & 0x1F);
    rgb[1] = widen5((p >> 5) & 0x1F);
  } else {
    rgb[0] = widen5((p >> 11) & 0x1F);
    rgb[1] = widen6((p >> 5) & 0x3F);
  }
  rgb[2] = widen5(p & 0x1F);
}

Frame ToFrame(const RgbImage& image, DisplayMode layout) {
  Frame f{image.width, image.height, {}};
  f.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  for (std::size_t i = 0; i < f.pixels.size(); ++i)
    f.pixels[i] = PackRgb(image.rgb[3 * i], image.rgb[3 * i + 1], image.rgb[3 * i + 2], layout);
  return f;
}

RgbImage ToRgb(const Frame& frame, DisplayMode layout) {
  RgbImage image{frame.width, frame.height, {}};
  image.rgb.resize(frame.pixels.size() * 3);
  for (std::size_t i = 0; i < frame.pixels.size(); ++i)
    UnpackRgb(frame.pixels[i], layout, &image.rgb[3 * i]);
  return image;
}

RgbImage ScaleRgb(const RgbImage& image, int width, int height) {
  if (image.width == width && image.height == height) return image;
  RgbImage out{width, height, {}};
  out.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  if (image.width <= 0 || image.height <= 0) return out;
  for (int y = 0; y < height; ++y) {
    const int sy = static_cast<int>(static_cast<long long>(y) * image.height / height);
    for (int x = 0; x < width; ++x) {
      const int sx = static_cast<int>(static_cast<long long>(x) * image.width / width);
      const std::uint8_t* in = &image.rgb[(static_cast<std::size_t>(sy) * image.width + sx) * 3];
      std::uint8_t* o = &out.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      o[0] = in[0];
      o[1] = in[1];
      o[2] = in[2];
    }
  }
  return out;
}

}  // namespace lw::host

// One line of text drawn with a scalable font found through fontconfig: the labels of
// the thumbnail sheet and the captions burned into rendered frames.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "lw/host/frames.h"

namespace lw::host {

// Coverage of a line of text, 0 (none) to 255 (full), `width` x `height`.
struct TextMask {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> alpha;
};

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

// The text (plain ASCII, other bytes are drawn as '?') at a line height of about
// `pixelHeight` pixels. Throws std::runtime_error when no font can be found or loaded.
TextMask RenderText(const std::string& text, int pixelHeight, bool bold = false);

// Blends `colour` through the mask with its top-left corner at (x, y); what falls outside
// the picture is clipped. `opacity` scales the mask (255: as drawn).
void BlendMask(RgbImage& image, const TextMask& mask, int x, int y, Rgb colour, int opacity = 255);
void BlendMask(Frame& frame, DisplayMode layout, const TextMask& mask, int x, int y, Rgb colour,
               int opacity = 255);

// A solid mask, for the boxes behind captions.
TextMask SolidMask(int width, int height);

}  // namespace lw::host

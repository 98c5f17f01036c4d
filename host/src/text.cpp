#include "text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <mutex>
#include <stdexcept>

namespace lw::host {
namespace {

// The font file fontconfig picks for a sans-serif face of the given weight.
std::string FindFontFile(bool bold) {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) throw std::runtime_error("cannot load the fontconfig configuration");
  FcPattern* pattern =
      FcNameParse(reinterpret_cast<const FcChar8*>(bold ? "sans-serif:bold" : "sans-serif"));
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  std::string file;
  FcChar8* path = nullptr;
  if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
    file = reinterpret_cast<const char*>(path);
  if (match != nullptr) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  FcConfigDestroy(config);
  if (file.empty()) throw std::runtime_error("no font found through fontconfig (install fonts-dejavu-core)");
  return file;
}

// The FreeType library and the two faces, loaded once for the process.
class Fonts {
 public:
  static Fonts& Get() {
    static Fonts fonts;
    return fonts;
  }
  FT_Face Face(bool bold) {
    FT_Face& face = bold ? bold_ : regular_;
    if (face == nullptr) {
      const std::string file = FindFontFile(bold);
      if (FT_New_Face(library_, file.c_str(), 0, &face) != 0) {
        face = nullptr;
        throw std::runtime_error("cannot load the font " + file);
      }
    }
    return face;
  }
  std::mutex& lock() { return lock_; }

 private:
  Fonts() {
    if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("cannot start FreeType");
  }
  ~Fonts() {
    if (regular_ != nullptr) FT_Done_Face(regular_);
    if (bold_ != nullptr) FT_Done_Face(bold_);
    FT_Done_FreeType(library_);
  }
  FT_Library library_ = nullptr;
  FT_Face regular_ = nullptr;
  FT_Face bold_ = nullptr;
  std::mutex lock_;
};

std::uint8_t Mix(std::uint8_t under, std::uint8_t over, int alpha) {
  return static_cast<std::uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
}

// Calls blend(x, y, alpha) for each covered pixel of the mask inside width x height.
template <class Blend>
void ForEachCovered(const TextMask& mask, int x0, int y0, int width, int height, int opacity,
                    Blend blend) {
  for (int my = std::max(0, -y0); my < mask.height && y0 + my < height; ++my)
    for (int mx = std::max(0, -x0); mx < mask.width && x0 + mx < width; ++mx) {
      const int a = mask.alpha[static_cast<std::size_t>(my) * mask.width + mx] * opacity / 255;
      if (a > 0) blend(x0 + mx, y0 + my, a);
    }
}

}  // namespace

TextMask RenderText(const std::string& text, int pixelHeight, bool bold) {
  Fonts& fonts = Fonts::Get();
  std::lock_guard guard(fonts.lock());
  FT_Face face = fonts.Face(bold);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::max(4, pixelHeight)));
  const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
  const int descender = static_cast<int>(-(face->size->metrics.descender >> 6));

  // First the width, then the glyphs.
  int width = 0;
  for (char c : text) {
    const unsigned char code = static_cast<unsigned char>(c) < 0x80 ? static_cast<unsigned char>(c) : '?';
    if (FT_Load_Char(face, code, FT_LOAD_DEFAULT) == 0) width += static_cast<int>(face->glyph->advance.x >> 6);
  }
  TextMask mask;
  mask.width = width + 2;
  mask.height = ascender + descender;
  mask.alpha.assign(static_cast<std::size_t>(mask.width) * mask.height, 0);
  int pen = 1;
  for (char c : text) {
    const unsigned char code = static_cast<unsigned char>(c) < 0x80 ? static_cast<unsigned char>(c) : '?';
    if (FT_Load_Char(face, code, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    const int left = pen + g->bitmap_left;
    const int top = ascender - g->bitmap_top;
    for (int by = 0; by < static_cast<int>(bm.rows); ++by)
      for (int bx = 0; bx < static_cast<int>(bm.width); ++bx) {
        const int x = left + bx, y = top + by;
        if (x < 0 || y < 0 || x >= mask.width || y >= mask.height) continue;
        std::uint8_t v = bm.buffer[by * bm.pitch + bx];
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          v = (bm.buffer[by * bm.pitch + bx / 8] & (0x80 >> (bx % 8))) ? 255 : 0;
        auto& out = mask.alpha[static_cast<std::size_t>(y) * mask.width + x];
        out = std::max(out, v);
      }
    pen += static_cast<int>(g->advance.x >> 6);
  }
  return mask;
}

TextMask SolidMask(int width, int height) {
  TextMask mask{std::max(0, width), std::max(0, height), {}};
  mask.alpha.assign(static_cast<std::size_t>(mask.width) * mask.height, 255);
  return mask;
}

void BlendMask(RgbImage& image, const TextMask& mask, int x, int y, Rgb colour, int opacity) {
  ForEachCovered(mask, x, y, image.width, image.height, opacity, [&](int px, int py, int a) {
    std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(py) * image.width + px) * 3];
    p[0] = Mix(p[0], colour.r, a);
    p[1] = Mix(p[1], colour.g, a);
    p[2] = Mix(p[2], colour.b, a);
  });
}

void BlendMask(Frame& frame, DisplayMode layout, const TextMask& mask, int x, int y, Rgb colour,
               int opacity) {
  ForEachCovered(mask, x, y, frame.width, frame.height, opacity, [&](int px, int py, int a) {
    std::uint16_t& p = frame.pixels[static_cast<std::size_t>(py) * frame.width + px];
    std::uint8_t rgb[3];
    UnpackRgb(p, layout, rgb);
    p = PackRgb(Mix(rgb[0], colour.r, a), Mix(rgb[1], colour.g, a), Mix(rgb[2], colour.b, a), layout);
  });
}

}  // namespace lw::host

// One line of text on a surface's device context: code page 932 bytes converted with
// iconv, glyphs drawn with FreeType from the Japanese font fontconfig picks.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "gdi_objects.h"

namespace lw {
namespace {

using detail::Kind;
using detail::TableMutex;

// The size of the host platform's default system font.
constexpr int kFontPixelHeight = 16;

// The font is loaded once, on the first text drawn, and kept for the process.
struct Font {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  bool tried = false;
};

Font& TheFont() {
  static Font font;
  return font;
}

std::string FindJapaneseFont(int* index) {
  std::string path;
  if (!FcInit()) return path;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
  if (pattern == nullptr) return path;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) path = reinterpret_cast<char*>(file);
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return path;
}

// Requires TableMutex (which also serialises every use of the face).
FT_Face LoadedFace() {
  Font& f = TheFont();
  if (f.tried) return f.face;
  f.tried = true;
  int index = 0;
  const std::string path = FindJapaneseFont(&index);
  if (path.empty() || FT_Init_FreeType(&f.library) != 0) return nullptr;
  if (FT_New_Face(f.library, path.c_str(), index, &f.face) != 0 ||
      FT_Set_Pixel_Sizes(f.face, 0, kFontPixelHeight) != 0) {
    if (f.face != nullptr) FT_Done_Face(f.face);
    f.face = nullptr;
  }
  return f.face;
}

// Code page 932 bytes to UTF-32; a byte sequence iconv cannot convert becomes U+FFFD.
std::u32string FromCodePage932(const char* text, std::size_t count) {
  std::u32string out;
  iconv_t cd = iconv_open("UTF-32LE", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  std::vector<char32_t> buffer(count + 1);
  char* in = const_cast<char*>(text);
  std::size_t inLeft = count;
  while (inLeft > 0) {
    char* o = reinterpret_cast<char*>(buffer.data());
    std::size_t outLeft = buffer.size() * sizeof(char32_t);
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    out.append(buffer.data(), (buffer.size() * sizeof(char32_t) - outLeft) / sizeof(char32_t));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out.push_back(U'\uFFFD');
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

unsigned Channel(COLORREF c, int shift) { return (c >> shift) & 0xFF; }

// How much of glyph pixel (x, y) is covered, 0 to 255. Outlines render one byte a
// pixel; a font's embedded bitmap strikes come one bit a pixel, rows padded to bytes.
unsigned Coverage(const FT_Bitmap& bm, unsigned x, unsigned y) {
  const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
  if (bm.pixel_mode == FT_PIXEL_MODE_MONO) return (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
  return row[x];
}

}  // namespace

bool DrawTextLine(Surface* surface, int x, int y, const char32_t* text, std::size_t count,
                  COLORREF textColour, COLORREF background) {
  FT_Face face = LoadedFace();
  if (face == nullptr) return false;
  const int ascent = static_cast<int>(face->size->metrics.ascender >> 6);
  const int lineHeight = static_cast<int>((face->size->metrics.ascender - face->size->metrics.descender) >> 6);
  const auto width = static_cast<int>(surface->width);
  const auto height = static_cast<int>(surface->height);
  auto put = [&](int px, int py, unsigned coverage) {
    if (px < 0 || py < 0 || px >= width || py >= height) return;
    auto mix = [&](int shift) {
      return (Channel(textColour, shift) * coverage + Channel(background, shift) * (255 - coverage)) / 255;
    };
    surface->Row(static_cast<DWORD>(py))[px] = Pack16(mix(0), mix(8), mix(16), surface->layout);
  };
  int penX = x;
  for (std::size_t i = 0; i < count; ++i) {
    if (FT_Load_Char(face, text[i], FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = face->glyph;
    const int advance = static_cast<int>(g->advance.x >> 6);
    // The character cell in the background colour, then the glyph blended over it.
    for (int cy = 0; cy < lineHeight; ++cy)
      for (int cx = 0; cx < advance; ++cx) put(penX + cx, y + cy, 0);
    const FT_Bitmap& bm = g->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) {
      penX += advance;  // a colour or other bitmap we do not draw: the cell stays empty
      continue;
    }
    for (unsigned by = 0; by < bm.rows; ++by)
      for (unsigned bx = 0; bx < bm.width; ++bx) {
        const unsigned coverage = Coverage(bm, bx, by);
        if (coverage != 0)
          put(penX + g->bitmap_left + static_cast<int>(bx), y + ascent - g->bitmap_top + static_cast<int>(by), coverage);
      }
    penX += advance;
  }
  return true;
}

BOOL TextOutA(HDC dc, int x, int y, const char* text, int count) {
  if (text == nullptr || count < 0) return FALSE;
  const std::u32string line = FromCodePage932(text, static_cast<std::size_t>(count));
  std::lock_guard lock(TableMutex());
  auto* d = detail::Live<DeviceContext>(dc, Kind::DeviceContext);
  if (d == nullptr || d->type != DeviceContext::Type::Surface) return FALSE;
  return DrawTextLine(d->surface, x, y, line.data(), line.size(), d->text, d->background) ? TRUE : FALSE;
}

}  // namespace lw

// The 20 by 15, 16-colour thumbnail every plug-in carries for the host, built at compile
// time: the shared emblem in rows 0 to 7 (the composition has its own block in the left
// eight columns) and the plug-in's short label in a 3 by 5 pixel font in rows 9 to 13.
// It is stored with its module name in ELF sections that a host reads from the file.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace lw::plugin {

constexpr int kThumbWidth = 20;
constexpr int kThumbHeight = 15;
constexpr int kThumbRowBytes = 12;  // 10 bytes of 4-bit pixels, padded to 4 bytes
constexpr std::size_t kThumbHeaderSize = 40;
constexpr std::size_t kThumbPaletteSize = 64;
constexpr std::size_t kThumbPixelSize = kThumbRowBytes * kThumbHeight;  // 180
constexpr std::size_t kThumbnailSize = kThumbHeaderSize + kThumbPaletteSize + kThumbPixelSize;
constexpr std::uint32_t kResourceTypeBitmap = 2;  // RT_BITMAP
constexpr std::uint32_t kResourceLanguage = 1041;
constexpr std::string_view kThumbnailName = "BITMAP_THUMBNAIL";
constexpr std::string_view kModuleName = "LUMAWEAVE_PLUGIN.dll";
constexpr std::string_view kResourceSection = ".lw_resources";
constexpr std::string_view kModuleSection = ".lw_module";

// The colour table, as (red, green, blue).
inline constexpr std::array<std::array<std::uint8_t, 3>, 16> kThumbPalette = {{
    {180, 132, 4}, {124, 92, 4}, {0, 0, 0}, {128, 128, 0},
    {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

// The record placed in the resource section: which resource it is, then its bytes.
struct ResourceRecord {
  char magic[8];  // "LWRSRC1"
  std::uint32_t type;
  std::uint32_t language;
  char name[32];
  std::uint32_t size;
  std::uint8_t data[kThumbnailSize];
};

namespace thumbnail_detail {

// '.' background (colour 0), '+' colour 1, '#' colour 2.
inline constexpr std::array<std::string_view, 8> kEmblem = {
    "####################", "#.#.#.#.#.#.#.#.#.##", "####################",
    "#++..++..++..++..++#", "#..++..++..++..++..#", "####################",
    "#.#.#.#.#.#.#.#.#.##", "####################",
};
inline constexpr std::array<std::string_view, 8> kCompositionBlock = {
    "########", "#++++++#", "#......#", "#++++++#",
    "#......#", "#++++++#", "#......#", "########",
};

struct Glyph {
  char c;
  std::string_view rows;  // 5 rows of 3 pixels, '#' set
};

inline constexpr Glyph kFont[] = {
    {'A', ".#.#.#####.##.#"}, {'B', "##.#.###.#.###."}, {'C', ".###..#..#...##"},
    {'D', "##.#.##.##.###."}, {'E', "####..##.#..###"}, {'F', "####..##.#..#.."},
    {'G', ".###..#.##.#.##"}, {'H', "#.##.#####.##.#"}, {'I', "###.#..#..#.###"},
    {'J', "..#..#..##.#.#."}, {'K', "#.##.###.#.##.#"}, {'L', "#..#..#..#..###"},
    {'M', "#.########.##.#"}, {'N', "##.#.##.##.##.#"}, {'O', ".#.#.##.##.#.#."},
    {'P', "##.#.###.#..#.."}, {'Q', ".#.#.##.###..##"}, {'R', "##.#.###.#.##.#"},
    {'S', ".###...#...###."}, {'T', "###.#..#..#..#."}, {'U', "#.##.##.##.####"},
    {'V', "#.##.##.##.#.#."}, {'W', "#.##.########.#"}, {'X', "#.##.#.#.#.##.#"},
    {'Y', "#.##.#.#..#..#."}, {'Z', "###..#.#.#..###"}, {'-', "......###......"},
    {' ', "..............."},
};

// Index into kFont, or -1. (Indices rather than pointers keep this a constant
// expression under the sanitizers too.)
constexpr int GlyphIndex(char c) {
  for (std::size_t i = 0; i < std::size(kFont); ++i)
    if (kFont[i].c == c) return static_cast<int>(i);
  return -1;
}

constexpr int ColourOf(char c) { return c == '#' ? 2 : c == '+' ? 1 : 0; }

constexpr void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace thumbnail_detail

// Colour index of every pixel, rows from the top.
using ThumbPixels = std::array<std::array<std::uint8_t, kThumbWidth>, kThumbHeight>;

constexpr ThumbPixels DrawThumbnail(std::string_view label, bool composition) {
  using namespace thumbnail_detail;
  ThumbPixels px{};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < kThumbWidth; ++x) {
      char c = (composition && x < 8) ? kCompositionBlock[y][x] : kEmblem[y][x];
      px[y][x] = static_cast<std::uint8_t>(ColourOf(c));
    }
  if (label.size() > 5) throw "a label holds at most five characters";
  const int width = label.empty() ? 0 : static_cast<int>(label.size()) * 4 - 1;
  const int left = (kThumbWidth - width) / 2;
  for (std::size_t i = 0; i < label.size(); ++i) {
    const int glyph = GlyphIndex(label[i]);
    if (glyph < 0) throw "the label uses a character the pixel font lacks";
    const Glyph& g = kFont[glyph];
    if (g.rows.size() != 15) throw "a glyph must have 15 pixels";
    for (int gy = 0; gy < 5; ++gy)
      for (int gx = 0; gx < 3; ++gx)
        if (g.rows[gy * 3 + gx] == '#') px[9 + gy][left + static_cast<int>(i) * 4 + gx] = 2;
  }
  return px;
}

// The 284-byte bitmap: BITMAPINFOHEADER, colour table, 4-bit rows bottom-up.
constexpr std::array<std::uint8_t, kThumbnailSize> EncodeThumbnail(const ThumbPixels& px) {
  using thumbnail_detail::Put32;
  std::array<std::uint8_t, kThumbnailSize> out{};
  std::uint8_t* h = out.data();
  Put32(h + 0, 40);            // biSize
  Put32(h + 4, kThumbWidth);   // biWidth
  Put32(h + 8, kThumbHeight);  // biHeight, positive: rows bottom-up
  h[12] = 1;                   // biPlanes
  h[14] = 4;                   // biBitCount
  Put32(h + 16, 0);            // BI_RGB
  Put32(h + 20, kThumbPixelSize);
  for (std::size_t i = 0; i < kThumbPalette.size(); ++i) {
    std::uint8_t* q = h + kThumbHeaderSize + i * 4;  // RGBQUAD: blue, green, red, 0
    q[0] = kThumbPalette[i][2];
    q[1] = kThumbPalette[i][1];
    q[2] = kThumbPalette[i][0];
  }
  std::uint8_t* pixels = h + kThumbHeaderSize + kThumbPaletteSize;
  for (int row = 0; row < kThumbHeight; ++row) {
    const auto& src = px[kThumbHeight - 1 - row];
    for (int x = 0; x < kThumbWidth; x += 2)
      pixels[row * kThumbRowBytes + x / 2] = static_cast<std::uint8_t>((src[x] << 4) | src[x + 1]);
  }
  return out;
}

// Reads a 284-byte bitmap back into colour indices; false when the header is not the
// thumbnail form.
constexpr bool DecodeThumbnail(const std::uint8_t* bytes, std::size_t size, ThumbPixels* out) {
  if (size < kThumbnailSize || bytes[0] != 40 || bytes[4] != kThumbWidth ||
      bytes[8] != kThumbHeight || bytes[14] != 4)
    return false;
  const std::uint8_t* pixels = bytes + kThumbHeaderSize + kThumbPaletteSize;
  for (int row = 0; row < kThumbHeight; ++row)
    for (int x = 0; x < kThumbWidth; ++x) {
      std::uint8_t b = pixels[row * kThumbRowBytes + x / 2];
      (*out)[kThumbHeight - 1 - row][x] = static_cast<std::uint8_t>(x % 2 == 0 ? b >> 4 : b & 0xF);
    }
  return true;
}

constexpr ResourceRecord MakeThumbnailRecord(std::string_view label, bool composition) {
  ResourceRecord r{};
  constexpr std::string_view magic = "LWRSRC1";
  for (std::size_t i = 0; i < magic.size(); ++i) r.magic[i] = magic[i];
  r.type = kResourceTypeBitmap;
  r.language = kResourceLanguage;
  for (std::size_t i = 0; i < kThumbnailName.size(); ++i) r.name[i] = kThumbnailName[i];
  r.size = kThumbnailSize;
  auto bytes = EncodeThumbnail(DrawThumbnail(label, composition));
  for (std::size_t i = 0; i < bytes.size(); ++i) r.data[i] = bytes[i];
  return r;
}

}  // namespace lw::plugin

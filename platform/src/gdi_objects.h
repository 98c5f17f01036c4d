// The layer's device contexts and bitmaps, shared by the GDI, text and GL sources.
#pragma once
#include <cstdint>
#include <memory>

#include "lw/gdi.h"
#include "surface.h"

namespace lw {

struct Bitmap : detail::Object {
  Bitmap() : Object(detail::Kind::Bitmap) {}
  LONG width = 0;
  LONG height = 0;  // rows always stored bottom-up
  int bitCount = 32;
  DisplayMode layout16 = DisplayMode::Rgb565;  // for 16-bit bitmaps
  std::size_t stride = 0;                      // bytes a row, a multiple of four
  std::unique_ptr<std::uint8_t[], AlignedFree> bits;
  DeviceContext* selectedInto = nullptr;

  // Row y counted from the top of the picture.
  std::uint8_t* TopDownRow(LONG y) {
    return bits.get() + static_cast<std::size_t>(height - 1 - y) * stride;
  }
};

struct DeviceContext : detail::Object {
  enum class Type { Screen, Memory, Surface };
  explicit DeviceContext(Type t) : Object(detail::Kind::DeviceContext), type(t) {}
  Type type;
  int bitsPerPixel = 32;      // what GetDeviceCaps reports
  Surface* surface = nullptr; // Type::Surface
  Bitmap* bitmap = nullptr;   // Type::Memory, the selected bitmap
  int pixelFormat = 0;        // 0 until SetPixelFormat
  int depthBitsAsked = 0;
  COLORREF background = RGB(255, 255, 255);
  COLORREF text = RGB(0, 0, 0);
};

// Requires TableMutex: a surface's context goes with the surface.
void DropSurfaceDC(Surface* surface);

// Requires TableMutex: draws one line of UTF-32 text onto a surface; false when no
// font could be loaded.
bool DrawTextLine(Surface* surface, int x, int y, const char32_t* text, std::size_t count,
                  COLORREF textColour, COLORREF background);

// 8-bit RGB to a pixel of the given 16-bit layout (top bits of each channel).
inline std::uint16_t Pack16(unsigned r, unsigned g, unsigned b, DisplayMode layout) {
  if (layout == DisplayMode::Rgb555)
    return static_cast<std::uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
  return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

}  // namespace lw

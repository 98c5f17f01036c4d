// The layer's DirectDraw objects and surfaces, shared by the DirectDraw and device
// context sources.
#pragma once
#include <cstdint>
#include <memory>

#include "lw/ddraw.h"
#include "objects.h"

namespace lw {

struct DirectDraw : detail::Object {
  DirectDraw() : Object(detail::Kind::DirectDraw) {}
  DisplayMode mode = DisplayMode::Rgb565;
};

struct AlignedFree {
  void operator()(std::uint8_t* p) const { std::free(p); }
};

struct Surface : detail::Object {
  Surface() : Object(detail::Kind::Surface) {}
  DWORD width = 0;
  DWORD height = 0;
  LONG pitch = 0;  // bytes from one row to the next
  DisplayMode layout = DisplayMode::Rgb565;
  std::unique_ptr<std::uint8_t[], AlignedFree> memory;
  bool locked = false;
  HDC dc = nullptr;  // the device context handed out by GetDC, if any

  std::uint16_t* Row(DWORD y) {
    return reinterpret_cast<std::uint16_t*>(memory.get() + static_cast<std::size_t>(y) * pitch);
  }
};

DWORD GreenMaskOf(DisplayMode layout);

}  // namespace lw

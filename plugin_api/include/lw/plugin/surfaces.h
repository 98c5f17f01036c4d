// Locking and reading the host's 16-bit surfaces.
#pragma once
#include <cstdint>

#include "lw/ddraw.h"

namespace lw::plugin {

enum class PixelLayout : std::int32_t { Rgb565 = 0, Rgb555 = 1 };

// RGB555 when the green mask is 0x3E0, RGB565 for every other mask.
constexpr PixelLayout DetectPixelLayout(const DDSURFACEDESC& desc) {
  return desc.ddpfPixelFormat.dwGBitMask == kGreenMask555 ? PixelLayout::Rgb555
                                                           : PixelLayout::Rgb565;
}

// A zeroed description with the size tag, as every lock and creation passes it.
inline DDSURFACEDESC EmptySurfaceDesc() {
  DDSURFACEDESC desc{};
  desc.dwSize = kSurfaceDescSize;
  return desc;
}

// Holds a surface locked (whole surface, no waiting) for one scope. Pixel (x, y) is
// pixels()[y * width() + x]: rows are taken to lie exactly two bytes a pixel apart, as
// the host's packed surfaces do; the pitch is not consulted.
class LockedSurface {
 public:
  explicit LockedSurface(Surface* surface) : surface_(surface), desc_(EmptySurfaceDesc()) {
    locked_ = surface_ != nullptr && Lock(surface_, nullptr, &desc_, 0, nullptr) == DD_OK;
  }
  ~LockedSurface() { UnlockNow(); }
  LockedSurface(const LockedSurface&) = delete;
  LockedSurface& operator=(const LockedSurface&) = delete;

  bool ok() const { return locked_; }
  std::uint16_t* pixels() const { return static_cast<std::uint16_t*>(desc_.lpSurface); }
  int width() const { return static_cast<int>(desc_.dwWidth); }
  int height() const { return static_cast<int>(desc_.dwHeight); }
  const DDSURFACEDESC& desc() const { return desc_; }
  PixelLayout layout() const { return DetectPixelLayout(desc_); }
  bool SameSizeAs(const LockedSurface& other) const {
    return width() == other.width() && height() == other.height();
  }
  // Unlocks now rather than at the end of the scope.
  void UnlockNow() {
    if (locked_) Unlock(surface_, nullptr);
    locked_ = false;
  }

 private:
  Surface* surface_;
  DDSURFACEDESC desc_;
  bool locked_ = false;
};

}  // namespace lw::plugin

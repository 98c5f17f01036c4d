// What the host publishes for the plug-ins: a DirectDraw object whose display mode is
// the chosen pixel format, its handle under the DD key (CommandDD2 and ScreenDD2), and
// a non-zero WindowScreen under the screen2 key.
#pragma once
#include <cstdint>

#include "lw/ddraw.h"

namespace lw::host {

// A host surface owned by the host, released when destroyed.
class HostSurface {
 public:
  HostSurface(DirectDraw* dd, std::uint32_t width, std::uint32_t height, std::int32_t pitch = 0);
  ~HostSurface();
  HostSurface(const HostSurface&) = delete;
  HostSurface& operator=(const HostSurface&) = delete;

  Surface* get() const { return surface_; }
  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }
  // Packed copies of the pixels in and out (width x height values, row after row).
  void Write(const std::uint16_t* pixels);
  void Read(std::uint16_t* pixels) const;

 private:
  Surface* surface_ = nullptr;
  std::uint32_t width_, height_;
};

class HostEnvironment {
 public:
  // The window value the host publishes under screen2.
  static constexpr std::uint32_t kWindowScreen = 0x00010001;

  explicit HostEnvironment(DisplayMode mode);
  ~HostEnvironment();
  HostEnvironment(const HostEnvironment&) = delete;
  HostEnvironment& operator=(const HostEnvironment&) = delete;

  DirectDraw* directDraw() const { return dd_; }
  DisplayMode mode() const { return mode_; }
  // Writes the registry values; done by the constructor, again on request.
  void Publish();

 private:
  DisplayMode mode_;
  DirectDraw* dd_ = nullptr;
};

}  // namespace lw::host

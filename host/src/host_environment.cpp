#include "lw/host/host_environment.h"

#include <cstring>
#include <stdexcept>

#include "lw/plugin/host_objects.h"
#include "lw/plugin/surfaces.h"
#include "lw/registry.h"

namespace lw::host {

HostSurface::HostSurface(DirectDraw* dd, std::uint32_t width, std::uint32_t height,
                         std::int32_t pitch)
    : width_(width), height_(height) {
  if (CreateHostSurface(dd, width, height, pitch, &surface_) != DD_OK)
    throw std::runtime_error("cannot create a " + std::to_string(width) + "x" +
                             std::to_string(height) + " host surface");
}

HostSurface::~HostSurface() { Release(surface_); }

void HostSurface::Write(const std::uint16_t* pixels) {
  DDSURFACEDESC desc = plugin::EmptySurfaceDesc();
  if (Lock(surface_, nullptr, &desc, 0, nullptr) != DD_OK)
    throw std::runtime_error("cannot lock the host surface");
  auto* base = static_cast<std::uint8_t*>(desc.lpSurface);
  for (std::uint32_t y = 0; y < height_; ++y)
    std::memcpy(base + static_cast<std::size_t>(y) * desc.lPitch, pixels + std::size_t{y} * width_,
                width_ * 2);
  Unlock(surface_, nullptr);
}

void HostSurface::Read(std::uint16_t* pixels) const {
  DDSURFACEDESC desc = plugin::EmptySurfaceDesc();
  if (Lock(surface_, nullptr, &desc, 0, nullptr) != DD_OK)
    throw std::runtime_error("cannot lock the host surface");
  const auto* base = static_cast<const std::uint8_t*>(desc.lpSurface);
  for (std::uint32_t y = 0; y < height_; ++y)
    std::memcpy(pixels + std::size_t{y} * width_, base + static_cast<std::size_t>(y) * desc.lPitch,
                width_ * 2);
  Unlock(surface_, nullptr);
}

HostEnvironment::HostEnvironment(DisplayMode mode) : mode_(mode) {
  if (CreateDirectDraw(mode, &dd_) != DD_OK)
    throw std::runtime_error("cannot create the host's DirectDraw object");
  Publish();
}

HostEnvironment::~HostEnvironment() { Release(dd_); }

void HostEnvironment::Publish() {
  const DWORD handle = HandleOf(dd_);
  RegSetDword(plugin::kDDKey, "CommandDD", handle);
  RegSetDword(plugin::kDDKey, "CommandDD2", handle);
  RegSetDword(plugin::kDDKey, "ScreenDD", handle);
  RegSetDword(plugin::kDDKey, "ScreenDD2", handle);
  RegSetDword(plugin::kDDKey, "CommandSurface", 0);
  RegSetDword(plugin::kDDKey, "PartsSurface", 0);
  RegSetDword(plugin::kScreen2Key, "WindowScreen", kWindowScreen);
}

}  // namespace lw::host

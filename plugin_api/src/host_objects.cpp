#include "lw/plugin/host_objects.h"

#include "lw/registry.h"
#include "lw/plugin/surfaces.h"

namespace lw::plugin {
namespace {

HostObjects gHost;
Surface* gWork = nullptr;
Surface* gSmall = nullptr;
DirectDraw* gCreator = nullptr;  // the object the WorkSurface was made from

// Opens or creates a key; true only when it existed before (a new key is left empty).
bool OpenExistingKey(const char* path, HKEY* key) {
  DWORD disposition = 0;
  if (RegCreateKeyEx(path, key, &disposition) != ERROR_SUCCESS) return false;
  if (disposition != REG_OPENED_EXISTING_KEY) {
    RegCloseKey(*key);
    return false;
  }
  return true;
}

// Reads a 4-byte value into its slot; the slot keeps its value when the read fails.
bool ReadSlot(HKEY key, const char* name, std::uint32_t* slot) {
  std::uint32_t value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueEx(key, name, nullptr, &value, &size) != ERROR_SUCCESS) return false;
  *slot = value;  // a shorter value fills the low bytes, as a 4-byte buffer would
  return true;
}

Surface* MakePrivateSurface(std::uint32_t width, std::uint32_t height) {
  DDSURFACEDESC desc = EmptySurfaceDesc();
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.dwHeight = height;
  desc.dwWidth = width;
  desc.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY;
  Surface* surface = nullptr;
  if (CreateSurface(gCreator, &desc, &surface, nullptr) != DD_OK) return nullptr;
  return surface;
}

}  // namespace

HostObjects& TheHostObjects() { return gHost; }

std::int32_t ReadHostObjects(HostRole role) {
  HKEY dd = 0;
  if (!OpenExistingKey(kDDKey, &dd)) return 0;
  ReadSlot(dd, "CommandDD", &gHost.CommandDD);
  ReadSlot(dd, "CommandDD2", &gHost.CommandDD2);
  ReadSlot(dd, "ScreenDD", &gHost.ScreenDD);
  ReadSlot(dd, "ScreenDD2", &gHost.ScreenDD2);
  ReadSlot(dd, "CommandSurface", &gHost.CommandSurface);
  ReadSlot(dd, "PartsSurface", &gHost.PartsSurface);
  RegCloseKey(dd);
  if (role == HostRole::Pixel) return 1;

  HKEY screen = 0;
  if (!OpenExistingKey(kScreen2Key, &screen)) return 0;
  const bool read = ReadSlot(screen, "WindowScreen", &gHost.WindowScreen);
  RegCloseKey(screen);
  return read ? 1 : 0;
}

std::int32_t CheckHost() {
  return ReadHostObjects(HostRole::Gl) == 1 && gHost.WindowScreen != 0 ? 1 : 0;
}

std::int32_t CreateWorkSurface(HostRole role) {
  if (ReadHostObjects(role) == 0 && role == HostRole::Gl) return 0;
  if (gHost.ScreenDD2 == 0) gHost.ScreenDD2 = gHost.CommandDD2;
  if (gHost.ScreenDD2 == 0) return 0;
  // The slot holds a published handle; one that names no live object is refused by
  // the platform rather than followed.
  gCreator = DirectDrawFromHandle(gHost.ScreenDD2);
  if (gCreator == nullptr) return 0;
  ReleaseSurfaces();  // never leak a surface from an unbalanced second creation
  gWork = MakePrivateSurface(kWorkWidth, kWorkHeight);
  return gWork != nullptr ? 1 : 0;
}

std::int32_t CreateSmallSurface() {
  if (gSmall != nullptr) return 1;
  gSmall = MakePrivateSurface(kSmallWidth, kSmallHeight);
  return gSmall != nullptr ? 1 : 0;
}

void ClearWorkSurface() {
  DDBLTFX fx{};
  fx.dwSize = kBltFxSize;
  fx.dwFillColor = 0;
  Blt(gWork, nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void PresentWorkSurface(Surface* host) { Blt(host, nullptr, gWork, nullptr, DDBLT_WAIT, nullptr); }

void ReleaseSurfaces() {
  if (gWork != nullptr) {
    Release(gWork);
    gWork = nullptr;
  }
  if (gSmall != nullptr) {
    Release(gSmall);
    gSmall = nullptr;
  }
}

Surface* WorkSurface() { return gWork; }
Surface* SmallSurface() { return gSmall; }

}  // namespace lw::plugin

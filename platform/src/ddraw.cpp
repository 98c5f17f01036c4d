#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdi_objects.h"
#include "lw/faults.h"

namespace lw {
namespace {

using detail::Kind;
using detail::TableMutex;

std::size_t gSurfacesLive = 0;
std::size_t gDirectDrawsLive = 0;
std::size_t gCreateSurfaceCalls = 0;

DisplayMode LayoutFromGreenMask(DWORD mask) {
  return mask == kGreenMask555 ? DisplayMode::Rgb555 : DisplayMode::Rgb565;
}

void FillPixelFormat(DisplayMode layout, DDPIXELFORMAT* pf) {
  *pf = {};
  pf->dwSize = 32;
  pf->dwFlags = DDPF_RGB;
  pf->dwRGBBitCount = 16;
  if (layout == DisplayMode::Rgb555) {
    pf->dwRBitMask = 0x7C00;
    pf->dwGBitMask = kGreenMask555;
    pf->dwBBitMask = 0x001F;
  } else {
    pf->dwRBitMask = 0xF800;
    pf->dwGBitMask = kGreenMask565;
    pf->dwBBitMask = 0x001F;
  }
}

// Requires TableMutex. Makes a surface of width x height with the given pitch
// (0: packed); zero sides give a degenerate surface whose memory is still valid.
HRESULT MakeSurface(DisplayMode layout, DWORD width, DWORD height, LONG pitch, Surface** out) {
  if (width > kMaxSurfaceSide || height > kMaxSurfaceSide ||
      static_cast<std::size_t>(width) * height > kMaxSurfacePixels)
    return DDERR_INVALIDPARAMS;
  const LONG packed = static_cast<LONG>(width * 2);
  if (pitch == 0) pitch = packed;
  if (pitch < packed || pitch % 2 != 0 || pitch > static_cast<LONG>(kMaxSurfaceSide * 8))
    return DDERR_INVALIDPARAMS;
  ++gCreateSurfaceCalls;
  if (TakeFault(Fault::CreateSurface)) return DDERR_OUTOFMEMORY;
  std::size_t bytes = static_cast<std::size_t>(pitch) * height;
  // Round up to whole cache lines and never below one, so memory is never null and
  // vector loads of the last row stay inside the allocation.
  std::size_t allocated = std::max<std::size_t>(64, (bytes + 63) / 64 * 64);
  auto* memory = static_cast<std::uint8_t*>(std::aligned_alloc(64, allocated));
  if (memory == nullptr) return DDERR_OUTOFMEMORY;
  std::memset(memory, 0, allocated);
  auto* s = new Surface;
  s->width = width;
  s->height = height;
  s->pitch = pitch;
  s->layout = layout;
  s->memory.reset(memory);
  detail::Register(s);
  ++gSurfacesLive;
  *out = s;
  return DD_OK;
}

bool RectInside(const RECT* r, const Surface* s) {
  return r->left >= 0 && r->top >= 0 && r->left <= r->right && r->top <= r->bottom &&
         static_cast<DWORD>(r->right) <= s->width && static_cast<DWORD>(r->bottom) <= s->height;
}

std::uint16_t ConvertPixel(std::uint16_t p, DisplayMode from, DisplayMode to) {
  if (from == to) return p;
  if (from == DisplayMode::Rgb565)  // drop green's lowest bit
    return static_cast<std::uint16_t>(((p & 0xF800) >> 1) | ((p & 0x07C0) >> 1) | (p & 0x1F));
  // 555 to 565: green's new lowest bit repeats its top bit
  std::uint16_t g = (p >> 5) & 0x1F;
  return static_cast<std::uint16_t>(((p & 0x7C00) << 1) | (g << 6) | ((g >> 4) << 5) | (p & 0x1F));
}

}  // namespace

DWORD GreenMaskOf(DisplayMode layout) {
  return layout == DisplayMode::Rgb555 ? kGreenMask555 : kGreenMask565;
}

HRESULT CreateDirectDraw(DisplayMode mode, DirectDraw** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  if (mode != DisplayMode::Rgb565 && mode != DisplayMode::Rgb555) return DDERR_INVALIDPARAMS;
  std::lock_guard lock(TableMutex());
  auto* dd = new DirectDraw;
  dd->mode = mode;
  detail::Register(dd);
  ++gDirectDrawsLive;
  *out = dd;
  return DD_OK;
}

HRESULT GetDisplayMode(DirectDraw* dd, DisplayMode* out) {
  std::lock_guard lock(TableMutex());
  auto* d = detail::Live<DirectDraw>(dd, Kind::DirectDraw);
  if (d == nullptr) return DDERR_INVALIDOBJECT;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = d->mode;
  return DD_OK;
}

LONG AddRef(DirectDraw* dd) {
  std::lock_guard lock(TableMutex());
  auto* d = detail::Live<DirectDraw>(dd, Kind::DirectDraw);
  if (d == nullptr) return DDERR_INVALIDOBJECT;
  return ++d->refs;
}

LONG Release(DirectDraw* dd) {
  std::lock_guard lock(TableMutex());
  auto* d = detail::Live<DirectDraw>(dd, Kind::DirectDraw);
  if (d == nullptr) return DDERR_INVALIDOBJECT;
  LONG left = --d->refs;
  if (left == 0) {
    detail::Unregister(d);
    --gDirectDrawsLive;
    delete d;
  }
  return left;
}

HRESULT CreateSurface(DirectDraw* dd, const DDSURFACEDESC* desc, Surface** out, void* outer) {
  if (desc == nullptr || out == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
  std::lock_guard lock(TableMutex());
  auto* d = detail::Live<DirectDraw>(dd, Kind::DirectDraw);
  if (d == nullptr) return DDERR_INVALIDOBJECT;
  if (desc->dwSize != kSurfaceDescSize) return DDERR_INVALIDPARAMS;
  if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT))
    return DDERR_INVALIDPARAMS;
  if (desc->dwWidth == 0 || desc->dwHeight == 0) return DDERR_INVALIDPARAMS;
  DisplayMode layout = d->mode;
  if (desc->dwFlags & DDSD_PIXELFORMAT) {
    const DDPIXELFORMAT& pf = desc->ddpfPixelFormat;
    if (pf.dwRGBBitCount != 16) return DDERR_UNSUPPORTED;
    if (pf.dwGBitMask != kGreenMask555 && pf.dwGBitMask != kGreenMask565)
      return DDERR_UNSUPPORTED;
    layout = LayoutFromGreenMask(pf.dwGBitMask);
  }
  LONG pitch = (desc->dwFlags & DDSD_PITCH) ? desc->lPitch : 0;
  if ((desc->dwFlags & DDSD_PITCH) && pitch <= 0) return DDERR_INVALIDPARAMS;
  return MakeSurface(layout, desc->dwWidth, desc->dwHeight, pitch, out);
}

HRESULT CreateHostSurface(DirectDraw* dd, DWORD width, DWORD height, LONG pitch,
                          Surface** out) {
  if (out == nullptr || pitch < 0) return DDERR_INVALIDPARAMS;
  std::lock_guard lock(TableMutex());
  auto* d = detail::Live<DirectDraw>(dd, Kind::DirectDraw);
  if (d == nullptr) return DDERR_INVALIDOBJECT;
  return MakeSurface(d->mode, width, height, pitch, out);
}

HRESULT Lock(Surface* surface, const RECT* rect, DDSURFACEDESC* desc, DWORD /*flags*/,
             void* event) {
  std::lock_guard lock(TableMutex());
  auto* s = detail::Live<Surface>(surface, Kind::Surface);
  if (s == nullptr) return DDERR_INVALIDOBJECT;
  if (desc == nullptr || desc->dwSize != kSurfaceDescSize || event != nullptr)
    return DDERR_INVALIDPARAMS;
  if (rect != nullptr && !RectInside(rect, s)) return DDERR_INVALIDPARAMS;
  if (s->locked || s->dc != nullptr) return DDERR_SURFACEBUSY;
  if (TakeFault(Fault::Lock)) return DDERR_SURFACEBUSY;
  s->locked = true;
  desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT |
                  DDSD_LPSURFACE;
  desc->dwWidth = s->width;
  desc->dwHeight = s->height;
  desc->lPitch = s->pitch;
  std::uint8_t* base = s->memory.get();
  if (rect != nullptr)
    base += static_cast<std::size_t>(rect->top) * s->pitch + static_cast<std::size_t>(rect->left) * 2;
  desc->lpSurface = base;
  FillPixelFormat(s->layout, &desc->ddpfPixelFormat);
  desc->ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY;
  return DD_OK;
}

HRESULT Unlock(Surface* surface, void* /*rect*/) {
  std::lock_guard lock(TableMutex());
  auto* s = detail::Live<Surface>(surface, Kind::Surface);
  if (s == nullptr) return DDERR_INVALIDOBJECT;
  if (!s->locked) return DDERR_NOTLOCKED;
  s->locked = false;
  return DD_OK;
}

HRESULT Blt(Surface* dst, const RECT* dstRect, Surface* src, const RECT* srcRect, DWORD flags,
            const DDBLTFX* fx) {
  std::lock_guard lock(TableMutex());
  auto* d = detail::Live<Surface>(dst, Kind::Surface);
  if (d == nullptr) return DDERR_INVALIDOBJECT;
  if (d->locked || d->dc != nullptr) return DDERR_SURFACEBUSY;
  RECT dr = dstRect ? *dstRect : RECT{0, 0, static_cast<LONG>(d->width), static_cast<LONG>(d->height)};
  if (!RectInside(&dr, d)) return DDERR_INVALIDPARAMS;
  const DWORD dw = static_cast<DWORD>(dr.right - dr.left);
  const DWORD dh = static_cast<DWORD>(dr.bottom - dr.top);

  if (flags & DDBLT_COLORFILL) {
    if (fx == nullptr || fx->dwSize != kBltFxSize) return DDERR_INVALIDPARAMS;
    const auto value = static_cast<std::uint16_t>(fx->dwFillColor);
    for (DWORD y = 0; y < dh; ++y) std::fill_n(d->Row(dr.top + y) + dr.left, dw, value);
    return DD_OK;
  }

  auto* s = detail::Live<Surface>(src, Kind::Surface);
  if (s == nullptr) return src == nullptr ? DDERR_INVALIDPARAMS : DDERR_INVALIDOBJECT;
  if (s->locked || s->dc != nullptr) return DDERR_SURFACEBUSY;
  RECT sr = srcRect ? *srcRect : RECT{0, 0, static_cast<LONG>(s->width), static_cast<LONG>(s->height)};
  if (!RectInside(&sr, s)) return DDERR_INVALIDPARAMS;
  const DWORD sw = static_cast<DWORD>(sr.right - sr.left);
  const DWORD sh = static_cast<DWORD>(sr.bottom - sr.top);
  if (dw == 0 || dh == 0) return DD_OK;
  if (sw == 0 || sh == 0) return DDERR_INVALIDPARAMS;

  // A blit of a surface onto itself reads from a copy of the source rows.
  std::vector<std::uint16_t> copy;
  auto sourceRow = [&](DWORD y) -> const std::uint16_t* { return s->Row(sr.top + y) + sr.left; };
  if (s == d) {
    copy.resize(static_cast<std::size_t>(sw) * sh);
    for (DWORD y = 0; y < sh; ++y) std::memcpy(&copy[std::size_t{y} * sw], sourceRow(y), sw * 2);
  }
  auto readRow = [&](DWORD y) -> const std::uint16_t* {
    return copy.empty() ? sourceRow(y) : &copy[std::size_t{y} * sw];
  };

  const bool sameLayout = s->layout == d->layout;
  if (sw == dw && sh == dh && sameLayout) {
    for (DWORD y = 0; y < dh; ++y) std::memcpy(d->Row(dr.top + y) + dr.left, readRow(y), dw * 2);
    return DD_OK;
  }
  // Nearest neighbour: destination pixel x takes source pixel x * sw / dw. The column
  // map is worked out once per blit; a destination row repeating the source row of the
  // row above is copied from it.
  std::vector<DWORD> column(dw);
  for (DWORD x = 0; x < dw; ++x) column[x] = static_cast<DWORD>(std::uint64_t{x} * sw / dw);
  DWORD previousSource = sh;  // none yet
  for (DWORD y = 0; y < dh; ++y) {
    const auto sourceRow = static_cast<DWORD>(std::uint64_t{y} * sh / dh);
    std::uint16_t* out = d->Row(dr.top + y) + dr.left;
    if (sourceRow == previousSource) {
      std::memcpy(out, d->Row(dr.top + y - 1) + dr.left, dw * 2);
      continue;
    }
    previousSource = sourceRow;
    const std::uint16_t* in = readRow(sourceRow);
    for (DWORD x = 0; x < dw; ++x) out[x] = ConvertPixel(in[column[x]], s->layout, d->layout);
  }
  return DD_OK;
}

LONG AddRef(Surface* surface) {
  std::lock_guard lock(TableMutex());
  auto* s = detail::Live<Surface>(surface, Kind::Surface);
  if (s == nullptr) return DDERR_INVALIDOBJECT;
  return ++s->refs;
}

LONG Release(Surface* surface) {
  std::lock_guard lock(TableMutex());
  auto* s = detail::Live<Surface>(surface, Kind::Surface);
  if (s == nullptr) return DDERR_INVALIDOBJECT;
  LONG left = --s->refs;
  if (left == 0) {
    DropSurfaceDC(s);  // a context still out goes with its surface
    detail::Unregister(s);
    --gSurfacesLive;
    delete s;
  }
  return left;
}

DWORD HandleOf(const DirectDraw* dd) {
  std::lock_guard lock(TableMutex());
  auto* d = detail::Find(dd, Kind::DirectDraw);
  return d ? d->handle : 0;
}

DWORD HandleOf(const Surface* surface) {
  std::lock_guard lock(TableMutex());
  auto* s = detail::Find(surface, Kind::Surface);
  return s ? s->handle : 0;
}

DirectDraw* DirectDrawFromHandle(DWORD handle) {
  std::lock_guard lock(TableMutex());
  return static_cast<DirectDraw*>(detail::FindHandle(handle, Kind::DirectDraw));
}

Surface* SurfaceFromHandle(DWORD handle) {
  std::lock_guard lock(TableMutex());
  return static_cast<Surface*>(detail::FindHandle(handle, Kind::Surface));
}

std::size_t LiveSurfaceCount() {
  std::lock_guard lock(TableMutex());
  return gSurfacesLive;
}
std::size_t LiveDirectDrawCount() {
  std::lock_guard lock(TableMutex());
  return gDirectDrawsLive;
}
std::size_t CreateSurfaceCallCount() {
  std::lock_guard lock(TableMutex());
  return gCreateSurfaceCalls;
}

}  // namespace lw

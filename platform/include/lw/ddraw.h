// DirectDraw-style objects and surfaces in plain memory.
//
// Objects are opaque and every operation validates the pointer it is handed against
// the table of live objects, so a stale pointer, a second release or a null argument
// yields an error code instead of a crash. Each object also carries a 32-bit handle,
// which is how the host publishes it through 32-bit registry values.
#pragma once
#include <cstddef>

#include "lw/api.h"

namespace lw {

struct DirectDraw;
struct Surface;
struct DeviceContext;
using HDC = DeviceContext*;

// Result codes. DD_OK is success; every other value is a failure.
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = -1;
constexpr HRESULT DDERR_INVALIDPARAMS = -2;
constexpr HRESULT DDERR_INVALIDOBJECT = -3;
constexpr HRESULT DDERR_OUTOFMEMORY = -4;
constexpr HRESULT DDERR_SURFACEBUSY = -5;
constexpr HRESULT DDERR_NOTLOCKED = -6;
constexpr HRESULT DDERR_UNSUPPORTED = -7;
constexpr HRESULT DDERR_CANTCREATEDC = -8;
constexpr HRESULT DDERR_NODC = -9;
constexpr HRESULT DDERR_DCALREADYCREATED = -10;

// Record sizes as the host's ABI declares them. Callers put these in dwSize; the
// layer checks them as the records' version tag (our structs are laid out for this
// machine and need not have these byte sizes).
constexpr DWORD kSurfaceDescSize = 108;
constexpr DWORD kBltFxSize = 100;

// DDSURFACEDESC.dwFlags
constexpr DWORD DDSD_CAPS = 0x1;
constexpr DWORD DDSD_HEIGHT = 0x2;
constexpr DWORD DDSD_WIDTH = 0x4;
constexpr DWORD DDSD_PITCH = 0x8;
constexpr DWORD DDSD_PIXELFORMAT = 0x1000;
constexpr DWORD DDSD_LPSURFACE = 0x800;
// DDSCAPS.dwCaps
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x800;
// DDPIXELFORMAT.dwFlags
constexpr DWORD DDPF_RGB = 0x40;
// Blt flags
constexpr DWORD DDBLT_COLORFILL = 0x400;
constexpr DWORD DDBLT_WAIT = 0x1000000;

// Green masks of the two 16-bit layouts.
constexpr DWORD kGreenMask555 = 0x03E0;
constexpr DWORD kGreenMask565 = 0x07E0;

// Largest side and largest pixel count a surface may have.
constexpr DWORD kMaxSurfaceSide = 16384;
constexpr std::size_t kMaxSurfacePixels = std::size_t{8192} * 8192;

struct RECT {
  LONG left, top, right, bottom;
};

struct DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  DWORD dwRGBBitCount;
  DWORD dwRBitMask;
  DWORD dwGBitMask;
  DWORD dwBBitMask;
  DWORD dwRGBAlphaBitMask;
};

struct DDSCAPS {
  DWORD dwCaps;
};

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};

struct DDSURFACEDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  LONG lPitch;
  DWORD dwBackBufferCount;
  DWORD dwRefreshRate;
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  void* lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS ddsCaps;
};

struct DDBLTFX {
  DWORD dwSize;
  DWORD dwDDFX;
  DWORD dwROP;
  DWORD dwFillColor;
};

// The display mode of a DirectDraw object; surfaces created without an explicit pixel
// format take it.
enum class DisplayMode { Rgb565, Rgb555 };

// --- DirectDraw objects (created by the host) ---
LW_API HRESULT CreateDirectDraw(DisplayMode mode, DirectDraw** out);
LW_API HRESULT GetDisplayMode(DirectDraw* dd, DisplayMode* out);
// Returns the new reference count, or a negative DDERR code for an invalid object.
LW_API LONG AddRef(DirectDraw* dd);
LW_API LONG Release(DirectDraw* dd);

// --- Surfaces ---
// dwFlags must hold DDSD_WIDTH and DDSD_HEIGHT with sides from 1 to kMaxSurfaceSide.
// DDSD_PITCH asks for a row pitch wider than two bytes a pixel (even, at least 2 x
// width); DDSD_PIXELFORMAT with a 16-bit RGB format chooses the layout by green mask.
LW_API HRESULT CreateSurface(DirectDraw* dd, const DDSURFACEDESC* desc, Surface** out,
                             void* outer);
// For hosts and tests: a surface of any size from 0 by 0 up (a degenerate frame), with
// the given pitch in bytes (0: packed). Pixel format from the object's display mode.
LW_API HRESULT CreateHostSurface(DirectDraw* dd, DWORD width, DWORD height, LONG pitch,
                                 Surface** out);
LW_API HRESULT Lock(Surface* surface, const RECT* rect, DDSURFACEDESC* desc, DWORD flags,
                    void* event);
LW_API HRESULT Unlock(Surface* surface, void* rect);
// Copy (same size), nearest-neighbour stretch (other sizes) or colour fill
// (DDBLT_COLORFILL with a DDBLTFX). Rectangles are optional and must lie inside.
LW_API HRESULT Blt(Surface* dst, const RECT* dstRect, Surface* src, const RECT* srcRect,
                   DWORD flags, const DDBLTFX* fx);
LW_API HRESULT GetDC(Surface* surface, HDC* out);
LW_API HRESULT ReleaseDC(Surface* surface, HDC dc);
LW_API LONG AddRef(Surface* surface);
LW_API LONG Release(Surface* surface);

// --- Published handles ---
// Every live object has a non-zero 32-bit handle; handles are never reused.
LW_API DWORD HandleOf(const DirectDraw* dd);
LW_API DWORD HandleOf(const Surface* surface);
// Null when the handle is 0, unknown, stale or names an object of another kind.
LW_API DirectDraw* DirectDrawFromHandle(DWORD handle);
LW_API Surface* SurfaceFromHandle(DWORD handle);

// --- Bookkeeping, for tests and soak runs ---
LW_API std::size_t LiveSurfaceCount();
LW_API std::size_t LiveDirectDrawCount();
LW_API std::size_t CreateSurfaceCallCount();

}  // namespace lw

// Device contexts and bitmaps: the screen's context, memory contexts holding a
// device-independent bitmap, a surface's context (lw::GetDC in lw/ddraw.h), the copy of
// a bitmap onto a surface, and one line of text.
//
// Like every platform object, contexts and bitmaps are opaque and validated on every
// call: a stale or foreign handle gives a failure result, never a crash.
#pragma once
#include <cstddef>
#include <cstdint>

#include "lw/ddraw.h"

namespace lw {

struct Bitmap;
using HBITMAP = Bitmap*;
using BOOL = std::int32_t;
using UINT = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using COLORREF = DWORD;  // 0x00BBGGRR

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// GetDeviceCaps index
constexpr int BITSPIXEL = 12;
// BITMAPINFOHEADER.biCompression
constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_BITFIELDS = 3;
// CreateDIBSection colour usage
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;
// BitBlt raster operation
constexpr DWORD SRCCOPY = 0x00CC0020;

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // positive: rows stored bottom-up
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
  BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

// The header followed by as many colour entries (or masks, or palette indices) as
// the bit depth and colour usage call for; callers build it in a block of that size.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

// The bits per pixel of the display, which the screen's context and every memory
// context made from it report. 32 unless a host or test chooses 8, 16 or 24.
LW_API BOOL SetDisplayDepth(int bitsPerPixel);
LW_API int DisplayDepth();

// The screen's device context (GetDC(NULL) on the host's platform).
LW_API HDC GetScreenDC();
LW_API BOOL ReleaseScreenDC(HDC dc);

// A memory context compatible with `dc` (or with the screen when null). It holds no
// bitmap of its own until one is selected.
LW_API HDC CreateCompatibleDC(HDC dc);
LW_API BOOL DeleteDC(HDC dc);
LW_API int GetDeviceCaps(HDC dc, int index);

// Bitmaps of 8 (3-3-2 colour), 16 (RGB565 or RGB555 masks with BI_BITFIELDS, RGB555
// with BI_RGB), 24 or 32 (blue, green, red, unused) bits per pixel. Rows are padded to
// four bytes. `bits` receives the pixel memory, zero-filled. `dc` and `section` may be
// null; `section` must be.
LW_API HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                void* section, DWORD offset);
// Selects a bitmap into a memory context; returns the one selected before (null for
// the context's initial empty state) or null on failure. A bitmap is selected into at
// most one context at a time.
LW_API HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
// Fails while the bitmap is still selected into a context.
LW_API BOOL DeleteObject(HBITMAP bitmap);

// Copies a block of a memory context's bitmap onto a surface's context, converting to
// the surface's 16-bit layout and clipping to both. Only SRCCOPY is supported.
LW_API BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                   DWORD rop);

// Colours and one line of text on a surface's context. The bytes are code page 932;
// the text is drawn with a Japanese-capable system font over an opaque background box.
LW_API COLORREF SetBkColor(HDC dc, COLORREF colour);
LW_API COLORREF SetTextColor(HDC dc, COLORREF colour);
LW_API BOOL TextOutA(HDC dc, int x, int y, const char* text, int count);

// --- Bookkeeping, for tests ---
LW_API std::size_t LiveDeviceContextCount();
LW_API std::size_t LiveBitmapCount();

}  // namespace lw

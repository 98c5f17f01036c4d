#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "gdi_objects.h"
#include "lw/faults.h"

namespace lw {
namespace {

using detail::Kind;
using detail::TableMutex;

std::atomic<int> gDisplayDepth{32};
std::size_t gContextsLive = 0;
std::size_t gBitmapsLive = 0;

DeviceContext* LiveDC(HDC dc) { return detail::Live<DeviceContext>(dc, Kind::DeviceContext); }
Bitmap* LiveBitmap(HBITMAP b) { return detail::Live<Bitmap>(b, Kind::Bitmap); }

DeviceContext* NewDC(DeviceContext::Type type) {
  auto* dc = new DeviceContext(type);
  dc->bitsPerPixel = gDisplayDepth.load();
  detail::Register(dc);
  ++gContextsLive;
  return dc;
}

void DeleteDCObject(DeviceContext* dc) {
  if (dc->bitmap != nullptr) dc->bitmap->selectedInto = nullptr;
  detail::Unregister(dc);
  --gContextsLive;
  delete dc;
}

bool IsDepth(int bits) { return bits == 8 || bits == 16 || bits == 24 || bits == 32; }

// The 16-bit layout a bitmap header asks for, or false when it is not one we draw.
bool BitmapLayout(const BITMAPINFO* info, UINT usage, DisplayMode* layout16) {
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biPlanes != 1) return false;
  if (h.biWidth <= 0 || h.biHeight <= 0 || static_cast<DWORD>(h.biWidth) > kMaxSurfaceSide ||
      static_cast<DWORD>(h.biHeight) > kMaxSurfaceSide)
    return false;
  if (!IsDepth(h.biBitCount)) return false;
  if (usage == DIB_PAL_COLORS) return h.biBitCount == 8 && h.biCompression == BI_RGB;
  if (usage != DIB_RGB_COLORS) return false;
  *layout16 = DisplayMode::Rgb555;  // BI_RGB at 16 bits is 5-5-5
  if (h.biCompression == BI_RGB) return true;
  if (h.biCompression != BI_BITFIELDS || h.biBitCount != 16) return false;
  DWORD masks[3];
  std::memcpy(masks, info->bmiColors, sizeof masks);
  if (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) {
    *layout16 = DisplayMode::Rgb565;
    return true;
  }
  return masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F;
}

// 32-bit pixels (0xXXRRGGBB) to a 16-bit layout, keeping each channel's top bits.
template <DisplayMode kLayout>
constexpr std::uint32_t Pack32(std::uint32_t p) {
  if (kLayout == DisplayMode::Rgb555)
    return ((p >> 9) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 3) & 0x001F);
  return ((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F);
}

// A row of 32-bit pixels to 16 bits, eight pixels a step with AVX2 where the
// processor has it; returns how many pixels it did.
#if defined(__x86_64__)
template <DisplayMode kLayout>
__attribute__((target("avx2"))) inline __m256i Pack32Avx2(__m256i p) {
  constexpr bool is555 = kLayout == DisplayMode::Rgb555;
  const __m256i r = _mm256_and_si256(_mm256_srli_epi32(p, is555 ? 9 : 8), _mm256_set1_epi32(is555 ? 0x7C00 : 0xF800));
  const __m256i g = _mm256_and_si256(_mm256_srli_epi32(p, is555 ? 6 : 5), _mm256_set1_epi32(is555 ? 0x03E0 : 0x07E0));
  const __m256i b = _mm256_and_si256(_mm256_srli_epi32(p, 3), _mm256_set1_epi32(0x001F));
  return _mm256_or_si256(_mm256_or_si256(r, g), b);
}

template <DisplayMode kLayout>
__attribute__((target("avx2"))) int ConvertRow32Avx2(const std::uint8_t* in, std::uint16_t* out, int count) {
  int x = 0;
  for (; x + 16 <= count; x += 16) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x * 4));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x * 4 + 32));
    // The pack works within 128-bit lanes; the permutation puts the pixels in order.
    const __m256i packed =
        _mm256_permute4x64_epi64(_mm256_packus_epi32(Pack32Avx2<kLayout>(a), Pack32Avx2<kLayout>(b)), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), packed);
  }
  return x;
}
#endif

// The same with four pixels a step and one 64-bit store, for the rest of the row and
// for processors without AVX2.
template <DisplayMode kLayout>
void ConvertRow32(const std::uint8_t* in, std::uint16_t* out, int count) {
  int x = 0;
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) x = ConvertRow32Avx2<kLayout>(in, out, count);
#endif
  for (; x + 4 <= count; x += 4) {
    std::uint32_t p[4];
    std::memcpy(p, in + x * 4, sizeof p);
    const std::uint64_t four = std::uint64_t{Pack32<kLayout>(p[0])} | (std::uint64_t{Pack32<kLayout>(p[1])} << 16) |
                               (std::uint64_t{Pack32<kLayout>(p[2])} << 32) | (std::uint64_t{Pack32<kLayout>(p[3])} << 48);
    std::memcpy(out + x, &four, sizeof four);
  }
  for (; x < count; ++x) {
    std::uint32_t p;
    std::memcpy(&p, in + x * 4, sizeof p);
    out[x] = static_cast<std::uint16_t>(Pack32<kLayout>(p));
  }
}

// One row of a bitmap converted to a surface's layout.
void ConvertRow(const Bitmap& b, const std::uint8_t* in, std::uint16_t* out, int count,
                DisplayMode layout) {
  if (b.bitCount == 32) {
    layout == DisplayMode::Rgb555 ? ConvertRow32<DisplayMode::Rgb555>(in, out, count)
                                  : ConvertRow32<DisplayMode::Rgb565>(in, out, count);
    return;
  }
  int x = 0;
  for (; x < count; ++x) {
    unsigned r, g, bl;
    if (b.bitCount == 24) {
      bl = in[x * 3];
      g = in[x * 3 + 1];
      r = in[x * 3 + 2];
    } else if (b.bitCount == 16) {
      std::uint16_t p;
      std::memcpy(&p, in + x * 2, 2);
      if (b.layout16 == layout) {
        out[x] = p;
        continue;
      }
      if (b.layout16 == DisplayMode::Rgb565) {
        r = (p >> 8) & 0xF8;
        g = (p >> 3) & 0xFC;
      } else {
        r = (p >> 7) & 0xF8;
        g = (p >> 2) & 0xF8;
      }
      bl = (p << 3) & 0xF8;
    } else {  // 8 bits: red 3, green 3, blue 2, from the top
      const unsigned p = in[x];
      r = p & 0xE0;
      g = (p << 3) & 0xE0;
      bl = (p << 6) & 0xC0;
    }
    out[x] = Pack16(r, g, bl, layout);
  }
}

}  // namespace

BOOL SetDisplayDepth(int bitsPerPixel) {
  if (!IsDepth(bitsPerPixel)) return FALSE;
  gDisplayDepth = bitsPerPixel;
  return TRUE;
}

int DisplayDepth() { return gDisplayDepth.load(); }

HDC GetScreenDC() {
  std::lock_guard lock(TableMutex());
  return NewDC(DeviceContext::Type::Screen);
}

BOOL ReleaseScreenDC(HDC dc) {
  std::lock_guard lock(TableMutex());
  DeviceContext* d = LiveDC(dc);
  if (d == nullptr || d->type != DeviceContext::Type::Screen) return FALSE;
  DeleteDCObject(d);
  return TRUE;
}

HDC CreateCompatibleDC(HDC dc) {
  std::lock_guard lock(TableMutex());
  int bits = gDisplayDepth.load();
  if (dc != nullptr) {
    DeviceContext* d = LiveDC(dc);
    if (d == nullptr) return nullptr;
    bits = d->bitsPerPixel;
  }
  if (TakeFault(Fault::MemoryDC)) return nullptr;
  DeviceContext* m = NewDC(DeviceContext::Type::Memory);
  m->bitsPerPixel = bits;
  return m;
}

BOOL DeleteDC(HDC dc) {
  std::lock_guard lock(TableMutex());
  DeviceContext* d = LiveDC(dc);
  if (d == nullptr || d->type != DeviceContext::Type::Memory) return FALSE;
  DeleteDCObject(d);
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  std::lock_guard lock(TableMutex());
  DeviceContext* d = LiveDC(dc);
  if (d == nullptr || index != BITSPIXEL) return 0;
  return d->type == DeviceContext::Type::Surface ? 16 : d->bitsPerPixel;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset) {
  if (info == nullptr || section != nullptr || offset != 0) return nullptr;
  std::lock_guard lock(TableMutex());
  if (dc != nullptr && LiveDC(dc) == nullptr) return nullptr;
  DisplayMode layout16 = DisplayMode::Rgb565;
  if (!BitmapLayout(info, usage, &layout16)) return nullptr;
  if (TakeFault(Fault::DibSection)) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const std::size_t stride = (static_cast<std::size_t>(h.biWidth) * h.biBitCount / 8 + 3) / 4 * 4;
  const std::size_t bytes = (stride * h.biHeight + 63) / 64 * 64;
  auto* memory = static_cast<std::uint8_t*>(std::aligned_alloc(64, bytes));
  if (memory == nullptr) return nullptr;
  std::memset(memory, 0, bytes);
  auto* b = new Bitmap;
  b->width = h.biWidth;
  b->height = h.biHeight;
  b->bitCount = h.biBitCount;
  b->layout16 = layout16;
  b->stride = stride;
  b->bits.reset(memory);
  detail::Register(b);
  ++gBitmapsLive;
  if (bits != nullptr) *bits = memory;
  return b;
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap) {
  std::lock_guard lock(TableMutex());
  DeviceContext* d = LiveDC(dc);
  if (d == nullptr || d->type != DeviceContext::Type::Memory) return nullptr;
  Bitmap* b = nullptr;
  if (bitmap != nullptr) {
    b = LiveBitmap(bitmap);
    if (b == nullptr || (b->selectedInto != nullptr && b->selectedInto != d)) return nullptr;
  }
  Bitmap* previous = d->bitmap;
  if (previous != nullptr) previous->selectedInto = nullptr;
  d->bitmap = b;
  if (b != nullptr) b->selectedInto = d;
  return previous;
}

BOOL DeleteObject(HBITMAP bitmap) {
  std::lock_guard lock(TableMutex());
  Bitmap* b = LiveBitmap(bitmap);
  if (b == nullptr || b->selectedInto != nullptr) return FALSE;
  detail::Unregister(b);
  --gBitmapsLive;
  delete b;
  return TRUE;
}

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  if (rop != SRCCOPY) return FALSE;
  std::lock_guard lock(TableMutex());
  DeviceContext* d = LiveDC(dst);
  DeviceContext* s = LiveDC(src);
  if (d == nullptr || s == nullptr || d->type != DeviceContext::Type::Surface ||
      s->type != DeviceContext::Type::Memory || s->bitmap == nullptr)
    return FALSE;
  Surface* surface = d->surface;
  const Bitmap& b = *s->bitmap;
  // Clip the block to the source bitmap and the destination surface.
  if (srcX < 0) x -= srcX, width += srcX, srcX = 0;
  if (srcY < 0) y -= srcY, height += srcY, srcY = 0;
  if (x < 0) srcX -= x, width += x, x = 0;
  if (y < 0) srcY -= y, height += y, y = 0;
  width = std::min({width, static_cast<int>(b.width) - srcX, static_cast<int>(surface->width) - x});
  height = std::min({height, static_cast<int>(b.height) - srcY, static_cast<int>(surface->height) - y});
  if (width <= 0 || height <= 0) return TRUE;
  const std::size_t bytesPerPixel = static_cast<std::size_t>(b.bitCount) / 8;
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* in = s->bitmap->TopDownRow(srcY + row) + srcX * bytesPerPixel;
    ConvertRow(b, in, surface->Row(static_cast<DWORD>(y + row)) + x, width, surface->layout);
  }
  return TRUE;
}

namespace {
// Sets one of a context's colours; returns the one it had.
COLORREF ReplaceColour(HDC dc, COLORREF DeviceContext::*field, COLORREF colour) {
  std::lock_guard lock(TableMutex());
  DeviceContext* d = LiveDC(dc);
  if (d == nullptr) return CLR_INVALID;
  const COLORREF previous = d->*field;
  d->*field = colour & 0xFFFFFF;
  return previous;
}
}  // namespace

COLORREF SetBkColor(HDC dc, COLORREF colour) {
  return ReplaceColour(dc, &DeviceContext::background, colour);
}

COLORREF SetTextColor(HDC dc, COLORREF colour) { return ReplaceColour(dc, &DeviceContext::text, colour); }

HRESULT GetDC(Surface* surface, HDC* out) {
  std::lock_guard lock(TableMutex());
  auto* s = detail::Live<Surface>(surface, Kind::Surface);
  if (s == nullptr) return DDERR_INVALIDOBJECT;
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  if (s->dc != nullptr) return DDERR_DCALREADYCREATED;
  if (s->locked) return DDERR_SURFACEBUSY;
  if (TakeFault(Fault::GetDC)) return DDERR_CANTCREATEDC;
  DeviceContext* dc = NewDC(DeviceContext::Type::Surface);
  dc->bitsPerPixel = 16;
  dc->surface = s;
  s->dc = dc;
  *out = dc;
  return DD_OK;
}

HRESULT ReleaseDC(Surface* surface, HDC dc) {
  std::lock_guard lock(TableMutex());
  auto* s = detail::Live<Surface>(surface, Kind::Surface);
  if (s == nullptr) return DDERR_INVALIDOBJECT;
  if (s->dc == nullptr) return DDERR_NODC;
  if (dc != s->dc) return DDERR_INVALIDPARAMS;
  DropSurfaceDC(s);
  return DD_OK;
}

void DropSurfaceDC(Surface* surface) {
  if (surface->dc == nullptr) return;
  DeleteDCObject(surface->dc);
  surface->dc = nullptr;
}

std::size_t LiveDeviceContextCount() {
  std::lock_guard lock(TableMutex());
  return gContextsLive;
}

std::size_t LiveBitmapCount() {
  std::lock_guard lock(TableMutex());
  return gBitmapsLive;
}

}  // namespace lw

#include "lw/gl/texels.h"

#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace lw::gl {
namespace {

// Converts pixels into texels sixteen a step with AVX2 where the processor has it;
// returns how many it did. The channels are placed while the pixels are still 16 bits
// wide, red and green in one half-word and blue and alpha in the other, and only the
// final interleave widens them to texels: half the work of widening first.
#if defined(__x86_64__)
template <PixelLayout kLayout, bool kKey>
__attribute__((target("avx2"))) int ConvertRowAvx2(const std::uint16_t* in, std::uint32_t* out, int count) {
  constexpr bool is555 = kLayout == PixelLayout::Rgb555;
  const __m256i redMask = _mm256_set1_epi16(0x00F8);
  const __m256i greenMask = _mm256_set1_epi16(static_cast<short>(is555 ? 0xF800 : 0xFC00));
  const __m256i blueMask = _mm256_set1_epi16(0x00F8);
  const __m256i alpha = _mm256_set1_epi16(static_cast<short>(0xFF00));
  const __m256i keyMask = _mm256_set1_epi16(static_cast<short>(0xE0E0));
  int x = 0;
  for (; x + 16 <= count; x += 16) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
    const __m256i red = _mm256_and_si256(_mm256_srli_epi16(v, is555 ? 7 : 8), redMask);
    const __m256i green = _mm256_and_si256(_mm256_slli_epi16(v, is555 ? 6 : 5), greenMask);
    const __m256i redGreen = _mm256_or_si256(red, green);
    const __m256i blue = _mm256_and_si256(_mm256_slli_epi16(v, 3), blueMask);
    __m256i blueAlpha;
    if (kKey) {
      const __m256i black =
          _mm256_cmpeq_epi16(_mm256_and_si256(_mm256_or_si256(redGreen, blue), keyMask), _mm256_setzero_si256());
      blueAlpha = _mm256_or_si256(blue, _mm256_andnot_si256(black, alpha));
    } else {
      blueAlpha = _mm256_or_si256(blue, alpha);
    }
    // The interleave works within 128-bit lanes: pixels 0-3 and 8-11, then 4-7 and 12-15.
    const __m256i low = _mm256_unpacklo_epi16(redGreen, blueAlpha);
    const __m256i high = _mm256_unpackhi_epi16(redGreen, blueAlpha);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x + 8), _mm256_permute2x128_si256(low, high, 0x31));
  }
  return x;
}
#endif

// Converts `count` pixels (a multiple of four): the AVX2 path, then four pixels read as
// one word and written as four 32-bit texels.
template <PixelLayout kLayout, bool kKey>
void ConvertRow(const std::uint16_t* in, std::uint32_t* out, int count) {
  int x = 0;
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) x = ConvertRowAvx2<kLayout, kKey>(in, out, count);
#endif
  for (; x + 4 <= count; x += 4) {
    std::uint64_t four;
    std::memcpy(&four, in + x, sizeof four);
    out[x] = TexelOf(static_cast<std::uint32_t>(four & 0xFFFF), kLayout, kKey);
    out[x + 1] = TexelOf(static_cast<std::uint32_t>((four >> 16) & 0xFFFF), kLayout, kKey);
    out[x + 2] = TexelOf(static_cast<std::uint32_t>((four >> 32) & 0xFFFF), kLayout, kKey);
    out[x + 3] = TexelOf(static_cast<std::uint32_t>(four >> 48), kLayout, kKey);
  }
}

template <PixelLayout kLayout, bool kKey>
void ConvertRows(const std::uint16_t* pixels, int width, int height, std::uint32_t* out) {
  for (int y = height - 1; y >= 0; --y, out += width)
    ConvertRow<kLayout, kKey>(pixels + static_cast<std::size_t>(y) * width, out, width);
}

}  // namespace

void ConvertFrameToTexels(const std::uint16_t* pixels, int width, int height, PixelLayout layout,
                          bool keyNearBlack, std::uint32_t* texels) {
  if (layout == PixelLayout::Rgb555)
    keyNearBlack ? ConvertRows<PixelLayout::Rgb555, true>(pixels, width, height, texels)
                 : ConvertRows<PixelLayout::Rgb555, false>(pixels, width, height, texels);
  else
    keyNearBlack ? ConvertRows<PixelLayout::Rgb565, true>(pixels, width, height, texels)
                 : ConvertRows<PixelLayout::Rgb565, false>(pixels, width, height, texels);
}

}  // namespace lw::gl

#include "lw/gl/texels.h"

#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace lw::gl {
namespace {

// Converts pixels into texels sixteen a step with AVX2 where the processor has it;
// returns how many it did.
#if defined(__x86_64__)
template <PixelLayout kLayout, bool kKey>
__attribute__((target("avx2"))) inline __m256i TexelsAvx2(__m128i eight) {
  constexpr bool is555 = kLayout == PixelLayout::Rgb555;
  const __m256i v = _mm256_cvtepu16_epi32(eight);
  const __m256i r = _mm256_srli_epi32(_mm256_and_si256(v, _mm256_set1_epi32(is555 ? 0x7C00 : 0xF800)), is555 ? 7 : 8);
  const __m256i g = _mm256_slli_epi32(_mm256_and_si256(v, _mm256_set1_epi32(is555 ? 0x03E0 : 0x07E0)), is555 ? 6 : 5);
  const __m256i b = _mm256_slli_epi32(_mm256_and_si256(v, _mm256_set1_epi32(0x001F)), 19);
  const __m256i rgb = _mm256_or_si256(_mm256_or_si256(r, g), b);
  const __m256i opaque = _mm256_set1_epi32(static_cast<int>(kOpaque));
  if (!kKey) return _mm256_or_si256(rgb, opaque);
  const __m256i black = _mm256_cmpeq_epi32(_mm256_and_si256(rgb, _mm256_set1_epi32(static_cast<int>(kKeyMask))),
                                           _mm256_setzero_si256());
  return _mm256_or_si256(rgb, _mm256_andnot_si256(black, opaque));
}

template <PixelLayout kLayout, bool kKey>
__attribute__((target("avx2"))) int ConvertRowAvx2(const std::uint16_t* in, std::uint32_t* out, int count) {
  int x = 0;
  for (; x + 16 <= count; x += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x + 8));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), TexelsAvx2<kLayout, kKey>(a));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x + 8), TexelsAvx2<kLayout, kKey>(b));
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

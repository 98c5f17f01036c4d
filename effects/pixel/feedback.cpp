#include "feedback.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "effects/pixel/work_surface_frame.h"
#include "lw/plugin/host_objects.h"

namespace lw::effects {
namespace {

// The plug-in's only state is its WorkSurface, which holds the last output.

std::int32_t feedback_create() { return plugin::CreateWorkSurface(plugin::HostRole::Pixel); }

std::int32_t feedback_effect_out(Surface* surface) {
  return RunWorkSurfaceFrame(surface, [](plugin::LockedSurface& host, plugin::LockedSurface& work) {
    // The layout of the host's frame decides the fields, every frame.
    BlendFeedback(host.pixels(), work.pixels(), host.width(), host.height(), host.layout());
  });
}

void feedback_play() {
  // Without a WorkSurface the host broke the calling order: nothing to clear.
  if (plugin::WorkSurface() != nullptr) plugin::ClearWorkSurface();
}

#if defined(__SSE2__)
// Eight 16-bit lanes: every product is at most 961, so no lane needs widening.
struct Sse2Blend {
  __m128i low5 = _mm_set1_epi16(31);
  __m128i redShift, greenShift;

  explicit Sse2Blend(FeedbackFields f)
      : redShift(_mm_cvtsi32_si128(f.redShift)), greenShift(_mm_cvtsi32_si128(f.greenShift)) {}

  __m128i Channel(__m128i s, __m128i f) const {
    const __m128i kept = _mm_mullo_epi16(f, _mm_sub_epi16(low5, s));
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(s, s), kept), 5);
  }
  __m128i Field(__m128i p, __m128i shift) const { return _mm_and_si128(_mm_srl_epi16(p, shift), low5); }

  __m128i Pixels(__m128i s, __m128i f) const {
    const __m128i red = Channel(Field(s, redShift), Field(f, redShift));
    const __m128i green = Channel(Field(s, greenShift), Field(f, greenShift));
    const __m128i blue = Channel(_mm_and_si128(s, low5), _mm_and_si128(f, low5));
    return _mm_or_si128(_mm_or_si128(_mm_sll_epi16(red, redShift), _mm_sll_epi16(green, greenShift)),
                        blue);
  }
};
#endif

}  // namespace

void BlendFeedbackPortable(const std::uint16_t* source, std::uint16_t* work, std::size_t groups,
                           plugin::PixelLayout layout) {
  const std::size_t n = groups * 4;
  for (std::size_t i = 0; i < n; ++i) work[i] = BlendFeedbackPixel(source[i], work[i], layout);
}

#if defined(__SSE2__)
void BlendFeedbackSse2(const std::uint16_t* source, std::uint16_t* work, std::size_t groups,
                       plugin::PixelLayout layout) {
  const Sse2Blend blend(FeedbackFieldsOf(layout));
  std::size_t i = 0;
  const std::size_t n = groups * 4;
  for (; i + 8 <= n; i += 8) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(work + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(work + i), blend.Pixels(s, f));
  }
  if (i < n) {  // one group of four left
    const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + i));
    const __m128i f = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(work + i));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(work + i), blend.Pixels(s, f));
  }
}
#endif

void BlendFeedback(const std::uint16_t* source, std::uint16_t* work, int width, int height,
                   plugin::PixelLayout layout) {
  const std::size_t groups = FeedbackGroups(width, height);
#if defined(__SSE2__)
  BlendFeedbackSse2(source, work, groups, layout);
#else
  BlendFeedbackPortable(source, work, groups, layout);
#endif
}

const plugin::PluginHooks kFeedbackHooks{
    .createDll = feedback_create,
    .releaseDll = plugin::ReleaseSurfaces,
    .effectOut = feedback_effect_out,
    .streamOutPlay = feedback_play,
};

}  // namespace lw::effects

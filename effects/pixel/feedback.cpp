#include "feedback.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "effects/pixel/work_surface_frame.h"
#include "lw/plugin/host_objects.h"

namespace lw::effects {
namespace {

// The plug-in's only state is its WorkSurface, which holds the last output.

std::int32_t feedback_create() {
  return plugin::CreateWorkSurface(plugin::HostRole::Pixel);
}

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
// kLanes 16-bit lanes, in whatever vector registers the calling function's instruction
// set has: 8 lanes are SSE2 registers, 16 AVX2, 32 AVX-512.
// (The vector size is spelled out per width: a vector_size that depends on a template
// parameter is silently dropped by the compiler.)
template <int kLanes>
struct Lanes;
template <>
struct Lanes<8> {
  typedef std::uint16_t Vector __attribute__((vector_size(16)));
};
template <>
struct Lanes<16> {
  typedef std::uint16_t Vector __attribute__((vector_size(32)));
};
template <>
struct Lanes<32> {
  typedef std::uint16_t Vector __attribute__((vector_size(64)));
};

// kLanes pixels of `source` blended into `work`. Every product is at most 961, so the
// arithmetic stays within 16-bit lanes without widening. Always inlined, so it is
// compiled for the instruction set of the kernel that calls it.
template <int kLanes>
[[gnu::always_inline]] inline void BlendLanes(const std::uint16_t* source, std::uint16_t* work,
                                              FeedbackFields fields) {
  using V = typename Lanes<kLanes>::Vector;
  static_assert(sizeof(V) == 2 * kLanes);
  V s, f;
  std::memcpy(&s, source, sizeof s);
  std::memcpy(&f, work, sizeof f);
  const V low5 = V{} + 31;
  const V sr = (s >> fields.redShift) & low5, fr = (f >> fields.redShift) & low5;
  const V sg = (s >> fields.greenShift) & low5, fg = (f >> fields.greenShift) & low5;
  const V sb = s & low5, fb = f & low5;
  const V red = (sr * sr + fr * (low5 - sr)) >> 5;
  const V green = (sg * sg + fg * (low5 - sg)) >> 5;
  const V blue = (sb * sb + fb * (low5 - sb)) >> 5;
  const V out = red << fields.redShift | green << fields.greenShift | blue;
  std::memcpy(work, &out, sizeof out);
}

template <int kLanes>
[[gnu::always_inline]] inline void BlendGroups(const std::uint16_t* source, std::uint16_t* work,
                                               std::size_t groups, plugin::PixelLayout layout) {
  const FeedbackFields fields = FeedbackFieldsOf(layout);
  const std::size_t n = groups * 4;
  std::size_t i = 0;
  for (; i + kLanes <= n; i += kLanes) BlendLanes<kLanes>(source + i, work + i, fields);
  if (i < n) {  // fewer pixels left than lanes: blend them through a full set
    std::uint16_t s[kLanes] = {}, f[kLanes] = {};
    std::copy_n(source + i, n - i, s);
    std::copy_n(work + i, n - i, f);
    BlendLanes<kLanes>(s, f, fields);
    std::copy_n(f, n - i, work + i);
  }
}

void BlendFeedbackSse2(const std::uint16_t* source, std::uint16_t* work, std::size_t groups,
                       plugin::PixelLayout layout) {
  BlendGroups<8>(source, work, groups, layout);
}

[[gnu::target("avx2")]] void BlendFeedbackAvx2(const std::uint16_t* source, std::uint16_t* work,
                                               std::size_t groups, plugin::PixelLayout layout) {
  BlendGroups<16>(source, work, groups, layout);
}

[[gnu::target("avx512bw")]] void BlendFeedbackAvx512(const std::uint16_t* source,
                                                     std::uint16_t* work, std::size_t groups,
                                                     plugin::PixelLayout layout) {
  BlendGroups<32>(source, work, groups, layout);
}
#endif

// The kernels, slowest first, each with whether this processor runs it.
struct KernelRow {
  FeedbackKernel kernel;
  bool (*runs)();
};

const KernelRow kKernelRows[] = {
    {{"portable", BlendFeedbackPortable}, [] { return true; }},
#if defined(__SSE2__)
    {{"sse2", BlendFeedbackSse2}, [] { return true; }},
    {{"avx2", BlendFeedbackAvx2}, [] { return __builtin_cpu_supports("avx2") != 0; }},
    {{"avx512bw", BlendFeedbackAvx512}, [] { return __builtin_cpu_supports("avx512bw") != 0; }},
#endif
};

// The kernels this processor runs, found once at the first use (no allocation).
struct AvailableKernelList {
  FeedbackKernel kernels[std::size(kKernelRows)] = {};
  std::size_t count = 0;
};

const AvailableKernelList& AvailableKernels() {
  static const AvailableKernelList list = [] {
    AvailableKernelList out;
    for (const KernelRow& row : kKernelRows)
      if (row.runs()) out.kernels[out.count++] = row.kernel;
    return out;
  }();
  return list;
}

}  // namespace

void BlendFeedbackPortable(const std::uint16_t* source, std::uint16_t* work, std::size_t groups,
                           plugin::PixelLayout layout) {
  const std::size_t n = groups * 4;
  for (std::size_t i = 0; i < n; ++i) work[i] = BlendFeedbackPixel(source[i], work[i], layout);
}

std::span<const FeedbackKernel> FeedbackKernels() {
  const AvailableKernelList& list = AvailableKernels();
  return {list.kernels, list.count};
}

void BlendFeedback(const std::uint16_t* source, std::uint16_t* work, int width, int height,
                   plugin::PixelLayout layout) {
  static const FeedbackBlendKernel fastest = FeedbackKernels().back().blend;
  fastest(source, work, FeedbackGroups(width, height), layout);
}

const plugin::PluginHooks kFeedbackHooks{
    .createDll = feedback_create,
    .releaseDll = plugin::ReleaseSurfaces,
    .effectOut = feedback_effect_out,
    .streamOutPlay = feedback_play,
};

}  // namespace lw::effects

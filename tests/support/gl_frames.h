// Helpers for the GL effects' picture tests: a host driven frame by frame through a
// plug-in's hooks (or through a fresh copy of the built plug-in) on the virtual clock,
// test frames, and comparisons of pixel regions that tolerate the rasteriser's
// one-pixel differences.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "lw/clock.h"
#include "lw/plugin/entry_points.h"

namespace lw::test {

using Frame = std::vector<std::uint16_t>;

struct Rgb {
  int r, g, b;  // 8-bit, top bits of the 16-bit channels
};

inline Rgb ToRgb(std::uint16_t p, DisplayMode layout = DisplayMode::Rgb565) {
  if (layout == DisplayMode::Rgb555) return {(p >> 7) & 0xF8, (p >> 2) & 0xF8, (p << 3) & 0xF8};
  return {(p >> 8) & 0xF8, (p >> 3) & 0xFC, (p << 3) & 0xF8};
}

// A frame no part of which is near black: red grows to the right, green downwards,
// and blue marks a checkerboard of 20-pixel squares, so orientation and position show.
inline Frame GradientFrame(int width = 320, int height = 240) {
  Frame f(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int r = 4 + x * 27 / (width - 1);
      const int g = 32 + y * 31 / (height - 1);
      const int b = ((x / 20 + y / 20) % 2) * 31;
      f[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint16_t>((r << 11) | (g << 5) | b);
    }
  return f;
}

inline Frame SolidFrame(std::uint16_t value, int width = 320, int height = 240) {
  return Frame(static_cast<std::size_t>(width) * height, value);
}

struct Region {
  int x, y, width, height;
  Region Inset(int by) const { return {x + by, y + by, width - 2 * by, height - 2 * by}; }
};

inline bool Close(std::uint16_t a, std::uint16_t b, int tolerance) {
  const Rgb p = ToRgb(a), q = ToRgb(b);
  return std::abs(p.r - q.r) <= tolerance && std::abs(p.g - q.g) <= tolerance &&
         std::abs(p.b - q.b) <= tolerance;
}

// Fraction of the region's pixels where `out` differs from `expected(x, y)` by more
// than `tolerance` in some 8-bit channel at every offset up to `radius` pixels: the
// rasteriser may place an edge a pixel or two from where the geometry's arithmetic
// puts it. Offsets are clamped to the frame.
template <class Expected>
double MismatchFraction(const Frame& out, Region r, Expected expected, int tolerance = 16,
                        int radius = 0) {
  int bad = 0;
  for (int y = r.y; y < r.y + r.height; ++y)
    for (int x = r.x; x < r.x + r.width; ++x) {
      bool matched = false;
      for (int dy = -radius; dy <= radius && !matched; ++dy)
        for (int dx = -radius; dx <= radius && !matched; ++dx) {
          const int ex = std::clamp(x + dx, 0, 319), ey = std::clamp(y + dy, 0, 239);
          matched = Close(out[static_cast<std::size_t>(y) * 320 + x], expected(ex, ey), tolerance);
        }
      bad += !matched;
    }
  return static_cast<double>(bad) / (r.width * r.height);
}

inline double BlackFraction(const Frame& out, Region r) {
  return 1.0 - MismatchFraction(out, r, [](int, int) -> std::uint16_t { return 0; }, 8);
}

// A GL plug-in driven through its hooks, linked into the test: the host is published,
// and every frame is written into a host surface, handed to EffectOut at a chosen time
// of the virtual clock and read back.
class HookRun {
 public:
  explicit HookRun(const plugin::PluginHooks& hooks, DisplayMode mode = DisplayMode::Rgb565,
                   int width = 320, int height = 240)
      : hooks_(hooks), host_(FreshHost(mode)), surface_(host_->directDraw(), width, height) {}
  ~HookRun() { hooks_.releaseDll(); }

  std::int32_t Create() { return hooks_.createDll(); }
  void Play(std::uint32_t at) {
    SetVirtualClock(at);
    hooks_.streamOutPlay();
  }
  void Key(std::uint8_t code) { hooks_.keyTriggered(code); }
  // EffectOut at time `at` on `input`; the surface's content afterwards is `output()`.
  std::int32_t Frame(std::uint32_t at, const test::Frame& input) {
    SetVirtualClock(at);
    surface_.Write(input.data());
    const std::int32_t result = hooks_.effectOut(surface_.get());
    output_.resize(input.size());
    surface_.Read(output_.data());
    return result;
  }
  const test::Frame& output() const { return output_; }
  host::HostSurface& surface() { return surface_; }
  host::HostEnvironment& host() { return *host_; }

 private:
  const plugin::PluginHooks& hooks_;
  std::unique_ptr<host::HostEnvironment> host_;
  host::HostSurface surface_;
  test::Frame output_;
};

// A fresh instance of a built plug-in (a private copy, so its library-wide key
// counters start at 0) driven through its entry points on the virtual clock, with a
// published host and one host surface.
class LibraryRun {
 public:
  explicit LibraryRun(const std::string& deliverable, DisplayMode mode = DisplayMode::Rgb565)
      : host_(FreshHost(mode)),
        library_(PrivateCopy(deliverable)),
        surface_(host_->directDraw(), 320, 240) {}
  ~LibraryRun() { calls().ReleaseDll(); }

  const host::EntryPoints& calls() const { return library_.calls(); }
  std::int32_t Create() { return calls().CeateDll(0, 0); }
  // ReleaseDll and CeateDll again.
  std::int32_t Recreate() {
    calls().ReleaseDll();
    return Create();
  }
  // Each key must be accepted with 1.
  void Keys(const std::vector<std::uint32_t>& keys) {
    for (const std::uint32_t k : keys) EXPECT_EQ(calls().OnKeyTrigered(k), 1) << k;
  }
  void Play(std::uint32_t at) {
    SetVirtualClock(at);
    EXPECT_EQ(calls().StreamOutPlay(), 0);
  }
  // EffectOut at time `at` on `input`; returns what the surface holds afterwards.
  const test::Frame& Frame(std::uint32_t at, const test::Frame& input) {
    SetVirtualClock(at);
    surface_.Write(input.data());
    result_ = calls().EffectOut(surface_.get());
    output_.resize(input.size());
    surface_.Read(output_.data());
    return output_;
  }
  std::int32_t result() const { return result_; }

 private:
  std::unique_ptr<host::HostEnvironment> host_;
  host::PluginLibrary library_;
  host::HostSurface surface_;
  test::Frame output_;
  std::int32_t result_ = 0;
};

}  // namespace lw::test

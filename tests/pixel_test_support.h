// Small helpers the pixel-effect tests share: frames of distinct values, buffers with a
// guard zone behind the pixels, and the host's clock sequence around one frame.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "effects/pixel/slide_motion.h"
#include "harness.h"
#include "lw/clock.h"

namespace lw::test {

// Pixels 1, 2, 3, ... (wrapping at 16 bits) plus `seed`: every pixel of a small frame
// differs from its neighbours, and none is 0, the black the slides fill with.
inline std::vector<std::uint16_t> CountingFrame(int width, int height, std::uint16_t seed = 0) {
  std::vector<std::uint16_t> f(static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < f.size(); ++i)
    f[i] = static_cast<std::uint16_t>(1 + (i + seed) % 0xFFFE);
  return f;
}

// A frame's pixels followed by a guard zone that the code under test must not touch.
class GuardedFrame {
 public:
  static constexpr std::uint16_t kGuard = 0xBEEF;
  static constexpr std::size_t kGuardSize = 32;

  explicit GuardedFrame(const std::vector<std::uint16_t>& pixels)
      : size_(pixels.size()), buffer_(pixels) {
    buffer_.resize(size_ + kGuardSize, kGuard);
  }
  std::uint16_t* data() { return buffer_.data(); }
  std::vector<std::uint16_t> pixels() const {
    return {buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(size_)};
  }
  bool GuardIntact() const {
    for (std::size_t i = size_; i < buffer_.size(); ++i)
      if (buffer_[i] != kGuard) return false;
    return true;
  }

 private:
  std::size_t size_;
  std::vector<std::uint16_t> buffer_;
};

// The host's timeline of fxhost render: play and keys of frame i at FrameTime(i), the
// frame itself at FrameTime(i + 1).
inline void ClockBeforeFrame(int frame, double fps) {
  SetVirtualClock(host::FrameTime(frame, fps));
}
inline void ClockAtFrame(int frame, double fps) {
  SetVirtualClock(host::FrameTime(frame + 1, fps));
}

// A key pressed before a frame, in a table of motion cases.
struct KeyAt {
  int frame;
  std::uint8_t key;
};

// A picture moved by `offset` pixels along an axis, on a width x height frame.
struct MoveCase {
  effects::Axis axis;
  int width, height, offset;
};
inline std::string MoveCaseName(const ::testing::TestParamInfo<MoveCase>& info) {
  const MoveCase& c = info.param;
  return std::string(c.axis == effects::Axis::Vertical ? "rows_" : "columns_") +
         std::to_string(c.width) + "x" + std::to_string(c.height) + "_by_" +
         (c.offset < 0 ? "minus" : "") + std::to_string(std::abs(c.offset));
}

// The offsets a motion applies in its first frames after play, with keys, at a frame rate.
struct MotionCase {
  const char* name;
  const effects::SlideAxis* axis;
  double fps;
  std::vector<KeyAt> keys;
  std::vector<std::int32_t> offsets;
};
inline std::string MotionCaseName(const ::testing::TestParamInfo<MotionCase>& info) {
  return info.param.name;
}

// Offsets a motion applies in its first frames, driven as fxhost drives a plug-in:
// set up, play before frame 0, keys, and `advance` after every frame. Returns the
// offset each frame applied.
template <typename Advance>
std::vector<std::int32_t> AppliedOffsets(const effects::SlideAxis& axis, double fps, int frames,
                                         const std::vector<KeyAt>& keys, Advance advance) {
  effects::SlideMotion m;
  effects::SetUpSlideMotion(m, axis);
  std::vector<std::int32_t> applied;
  for (int i = 0; i < frames; ++i) {
    ClockBeforeFrame(i, fps);
    if (i == 0) effects::RestartSlideMotion(m, timeGetTime());
    for (const KeyAt& k : keys)
      if (k.frame == i) effects::SteerSlideMotion(m, k.key);
    ClockAtFrame(i, fps);
    applied.push_back(m.offset);
    advance(m);
  }
  return applied;
}

// AppliedOffsets for a case of 320x240 frames.
template <typename Advance>
std::vector<std::int32_t> AppliedOffsets(const MotionCase& c, Advance advance) {
  const int extent = effects::SlideExtent(*c.axis, 320, 240);
  return AppliedOffsets(*c.axis, c.fps, static_cast<int>(c.offsets.size()), c.keys,
                        [&](effects::SlideMotion& m) { advance(m, *c.axis, extent); });
}

}  // namespace lw::test

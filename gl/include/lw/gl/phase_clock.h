// The animation clock of the GL effects and their table of sines.
#pragma once
#include <cstdint>
#include <memory>

namespace lw::gl {

// An integer animation phase advanced by elapsed milliseconds of the platform clock:
// one step per 20 ms at speed 1, `stepsPerTurn` steps to a turn. Each advance drops its
// own fraction of a step, and a phase above a turn is folded back by one turn per
// advance.
class PhaseClock {
 public:
  explicit PhaseClock(std::int32_t stepsPerTurn) : stepsPerTurn_(stepsPerTurn) {}

  // Takes a clock reading; the time since the previous reading moves the phase by
  // elapsed x direction x speed / 20 steps (nothing when speed <= 0). The first
  // reading after construction or Reset counts no time.
  void Advance(std::int32_t speed, std::int32_t direction);
  // phase x 360 / stepsPerTurn degrees, in single precision.
  float AngleDegrees() const;
  void Reset();
  std::int32_t stepsPerTurn() const { return stepsPerTurn_; }

  std::int32_t phase = 0;
  std::uint32_t lastTime = 0;  // 0: no reading taken yet

 private:
  std::int32_t stepsPerTurn_;
};

// Steps a single advance gains from `elapsed` ms: the signed product with direction
// and speed, times the single-precision 0.05, truncated toward zero.
std::int32_t PhaseIncrement(std::uint32_t elapsed, std::int32_t speed, std::int32_t direction);

// 1152 single-precision sines, 512 entries to a period (2.25 periods), computed with
// pi rounded to single precision as the effects expect.
class SineTable {
 public:
  static constexpr int kEntries = 1152;
  static constexpr int kPeriod = 512;

  // Allocates and fills the table; false when the memory cannot be had.
  bool Build();
  const float* sine = nullptr;

 private:
  std::unique_ptr<float[]> block_;
};

}  // namespace lw::gl

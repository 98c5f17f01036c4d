#include "lw/gl/phase_clock.h"

#include <cmath>
#include <new>

#include "lw/clock.h"

namespace lw::gl {

std::int32_t PhaseIncrement(std::uint32_t elapsed, std::int32_t speed, std::int32_t direction) {
  // The product wraps as 32-bit integer arithmetic does; the factor is the float
  // 0.05, and the product with it is formed in double before the truncation.
  const auto n = static_cast<std::int32_t>(elapsed * static_cast<std::uint32_t>(direction) *
                                           static_cast<std::uint32_t>(speed));
  return static_cast<std::int32_t>(static_cast<double>(n) * static_cast<double>(0.05f));
}

void PhaseClock::Advance(std::int32_t speed, std::int32_t direction) {
  const std::uint32_t now = timeGetTime();
  const std::uint32_t elapsed = lastTime != 0 ? now - lastTime : 0;
  lastTime = now;
  if (speed <= 0) return;
  phase += PhaseIncrement(elapsed, speed, direction);
  if (phase > stepsPerTurn_) phase -= stepsPerTurn_;
  if (phase < 0) phase += stepsPerTurn_;
}

float PhaseClock::AngleDegrees() const {
  // The product in 64 bits: after a gap of hours without play the phase can hold
  // millions of steps, and phase x 360 would overflow 32 bits.
  return static_cast<float>(static_cast<std::int64_t>(phase) * 360) *
         (1.0f / static_cast<float>(stepsPerTurn_));
}

void PhaseClock::Reset() {
  phase = 0;
  lastTime = 0;
}

bool SineTable::Build() {
  block_.reset(new (std::nothrow) float[kEntries]);
  sine = block_.get();
  if (block_ == nullptr) return false;
  constexpr float kPi = 3.14159274101257324f;
  for (int i = 0; i < kEntries; ++i)
    block_[i] = static_cast<float>(
        std::sin(static_cast<double>(i) * static_cast<double>(kPi) * 2.0 * (1.0 / kPeriod)));
  return true;
}

}  // namespace lw::gl

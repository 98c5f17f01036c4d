// The arrow keys of the GL effects step library-wide counters round a table: the up
// key through the effect's modes (axes, directions), the down key through its speeds.
// The counters start at 0 when the library is loaded and are never reset, so they
// outlive ReleaseDll and a new CeateDll.
#pragma once
#include <cstddef>
#include <cstdint>

namespace lw::effects {

// A key counter's step: 0 to count - 1 and round again.
constexpr std::int32_t NextStep(std::int32_t step, std::int32_t count) {
  return step >= count - 1 ? 0 : step + 1;
}

// One key's counter over a table of settings.
class KeyCycle {
 public:
  // Steps the counter and returns the table's entry for the new step.
  template <class T, std::size_t N>
  const T& Next(const T (&table)[N]) {
    step_ = NextStep(step_, static_cast<std::int32_t>(N));
    return table[step_];
  }
  std::int32_t step() const { return step_; }

 private:
  std::int32_t step_ = 0;
};

}  // namespace lw::effects

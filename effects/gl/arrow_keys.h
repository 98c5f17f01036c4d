// The arrow keys of the GL effects step library-wide counters round tables: the up key
// through the effect's modes (axes, directions), the down key through its speeds. The
// counters start at 0 when the library is loaded and are never reset, so they outlive
// ReleaseDll and a new CeateDll.
#pragma once
#include <cstddef>
#include <cstdint>

#include "lw/plugin/entry_points.h"

namespace lw::effects {

// A key counter's step: 0 to count - 1 and round again.
constexpr std::int32_t NextStep(std::int32_t step, std::int32_t count) {
  return step >= count - 1 ? 0 : step + 1;
}

// The two keys' counters over an effect's tables of modes and speeds.
template <class Mode, std::size_t M, std::size_t S>
class ArrowKeys {
 public:
  constexpr ArrowKeys(const Mode (&modes)[M], const std::int32_t (&speeds)[S])
      : modes_(modes), speeds_(speeds) {}

  // The settings a new scene starts with, whatever the counters hold.
  void Initial(Mode& mode, std::int32_t& speed) const {
    mode = modes_[0];
    speed = speeds_[0];
  }
  // The up key steps to the next mode, the down key to the next speed; other codes
  // change nothing.
  void Press(std::uint8_t code, Mode& mode, std::int32_t& speed) {
    if (code == plugin::kKeyUp) {
      modeStep_ = NextStep(modeStep_, static_cast<std::int32_t>(M));
      mode = modes_[modeStep_];
    } else if (code == plugin::kKeyDown) {
      speedStep_ = NextStep(speedStep_, static_cast<std::int32_t>(S));
      speed = speeds_[speedStep_];
    }
  }

 private:
  const Mode (&modes_)[M];
  const std::int32_t (&speeds_)[S];
  std::int32_t modeStep_ = 0;
  std::int32_t speedStep_ = 0;
};

}  // namespace lw::effects

// The turn about chosen axes that the tile chain takes before each tile, and the room
// and the flat rotation once a frame, with the up key's seven choices of axes.
#pragma once
#include <GL/gl.h>

#include <cstdint>

#include "lw/gl/phase_clock.h"

namespace lw::effects {

// Which axes to turn about (or, for the flat move, to swing along): 0 or 1 each.
struct AxisChoice {
  std::int32_t x, y, z;
};
// The axes for each value of the up key's counter: x, y, z, then the pairs, then all.
inline constexpr AxisChoice kTurnAxes[7] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0},
                                            {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};

// glRotatef by `angle` about x, then y, then z, for each axis chosen. As the matrices
// multiply onto the model-view, the z turn acts on the geometry first.
inline void TurnByAxes(float angle, const AxisChoice& axes) {
  if (axes.x != 0) glRotatef(angle, 1, 0, 0);
  if (axes.y != 0) glRotatef(angle, 0, 1, 0);
  if (axes.z != 0) glRotatef(angle, 0, 0, 1);
}

// One turning step: the clock advances at `speed`, then the model-view matrix turns by
// the clock's angle about the chosen axes.
inline void AdvanceAndTurn(gl::PhaseClock& clock, std::int32_t speed, const AxisChoice& axes) {
  clock.Advance(speed, +1);
  TurnByAxes(clock.AngleDegrees(), axes);
}

}  // namespace lw::effects

// The flat picture shared by the flat effects (resize, rotation, move): the whole frame
// on one 320 by 240 quad centred on the origin at z = 0, upright and unmirrored, which
// with the default camera just fills the view. The scene advances its 512-step clock
// once a frame, lets the effect place the picture, and draws it.
#pragma once
#include <cstdint>

#include "drawing_scene.h"

namespace lw::effects {

constexpr std::int32_t kFlatStepsPerTurn = 512;
constexpr float kPictureWidth = 320;
constexpr float kPictureHeight = 240;

class FlatPictureScene : public DrawingScene {
 public:
  explicit FlatPictureScene(gl::GLRenderer& renderer);

  // The texture and the picture's list.
  bool BuildScene() override;
  // Advances the clock, places the picture and draws it.
  void Draw() final;

  std::int32_t speed = 0;
  GLuint displayList = 0;

 protected:
  // Multiplies the effect's transformation for the clock's current phase onto the
  // model-view matrix, which holds the identity.
  virtual void PlacePicture() = 0;
};

// A flat picture that follows a sine of the phase (resize, move): one period of the
// table to a turn of the clock.
class SineDrivenScene : public FlatPictureScene {
 public:
  using FlatPictureScene::FlatPictureScene;

  // The picture's list, then the table; false when the table's memory cannot be had.
  bool BuildScene() override;

 protected:
  // sin(2 pi phase / 512) from the table.
  float SineOfPhase() const;

  gl::SineTable sines;
};

// The table entry for a phase: a frame after a long gap can carry the phase past the
// table's 1152 entries (or, when the gap overflows the clock's arithmetic, below 0), so
// the phase is reduced to one period first; the position in the cycle is unchanged.
float SineAt(const gl::SineTable& sines, std::int32_t phase);

}  // namespace lw::effects

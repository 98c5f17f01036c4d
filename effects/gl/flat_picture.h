// The flat picture shared by the flat effects (resize, rotation, move): the whole frame
// on one 320 by 240 quad centred on the origin at z = 0, upright and unmirrored, which
// with the default camera just fills the view. The clock, 512 steps to a turn,
// advances once a frame, then the effect places the picture.
#pragma once
#include <cstdint>

#include "single_list_scene.h"

namespace lw::effects {

class FlatPictureScene : public SingleListScene {
 public:
  explicit FlatPictureScene(gl::GLRenderer& renderer);

  std::int32_t speed = 0;

 protected:
  // Multiplies the effect's transformation for the clock's phase onto the model-view.
  virtual void PlacePicture() = 0;

 private:
  void RecordGeometry(float smax, float tmax) final;
  void Animate() final;
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

#include "flat_picture.h"

namespace lw::effects {
namespace {

constexpr std::int32_t kStepsPerTurn = 512;
constexpr float kHalfWidth = 160;
constexpr float kHalfHeight = 120;

}  // namespace

FlatPictureScene::FlatPictureScene(gl::GLRenderer& renderer)
    : SingleListScene(renderer, kStepsPerTurn) {}

void FlatPictureScene::RecordGeometry(float smax, float tmax) {
  glBegin(GL_QUADS);
  PictureQuad({{-kHalfWidth, -kHalfHeight, 0},
               {-kHalfWidth, kHalfHeight, 0},
               {kHalfWidth, kHalfHeight, 0},
               {kHalfWidth, -kHalfHeight, 0}},
              smax, tmax);
  glEnd();
}

void FlatPictureScene::Animate() {
  clock.Advance(speed, +1);
  PlacePicture();
}

bool SineDrivenScene::BuildScene() {
  return FlatPictureScene::BuildScene() && sines.Build();
}

float SineDrivenScene::SineOfPhase() const {
  return SineAt(sines, clock.phase);
}

float SineAt(const gl::SineTable& sines, std::int32_t phase) {
  std::int32_t index = phase % gl::SineTable::kPeriod;
  if (index < 0) index += gl::SineTable::kPeriod;
  return sines.sine[index];
}

}  // namespace lw::effects

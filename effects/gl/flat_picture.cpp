#include "flat_picture.h"

namespace lw::effects {

FlatPictureScene::FlatPictureScene(gl::GLRenderer& renderer)
    : DrawingScene(renderer, kFlatStepsPerTurn) {}

bool FlatPictureScene::BuildScene() {
  // Texture row 0 holds the picture's bottom row, so t runs up the quad.
  const float smax = renderer().maxS(), tmax = renderer().maxT();
  constexpr float hw = kPictureWidth / 2, hh = kPictureHeight / 2;
  BeginBuild();
  displayList = glGenLists(1);
  glNewList(displayList, GL_COMPILE);
  glColor3f(1, 1, 1);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(-hw, -hh, 0);
  glTexCoord2f(0, tmax);
  glVertex3f(-hw, hh, 0);
  glTexCoord2f(smax, tmax);
  glVertex3f(hw, hh, 0);
  glTexCoord2f(smax, 0);
  glVertex3f(hw, -hh, 0);
  glEnd();
  glEndList();
  EndBuild();
  return true;
}

void FlatPictureScene::Draw() {
  clock.Advance(speed, +1);
  PlacePicture();
  glCallList(displayList);
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

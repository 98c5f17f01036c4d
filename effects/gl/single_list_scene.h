// The GL effects drawn from one display list (flat resize, rotation and move, planes,
// room): the list is recorded once, and each frame the clock advances, the model-view
// matrix places the geometry and the list is called. Draw is public so that the
// drawing proper can be timed on its own, against the whole EffectOut.
#pragma once
#include <cstdint>

#include "lw/gl/effect_scene.h"

namespace lw::effects {

// The whole picture on one quad, its corners given in the order of the picture's
// bottom-left, top-left, top-right and bottom-right; texture row 0 is the picture's
// bottom row. Inside glBegin(GL_QUADS).
inline void PictureQuad(const gl::Vec3 (&corners)[4], float smax, float tmax) {
  const float s[4] = {0, 0, smax, smax}, t[4] = {0, tmax, tmax, 0};
  for (int i = 0; i < 4; ++i) {
    glTexCoord2f(s[i], t[i]);
    glVertex3f(corners[i].x, corners[i].y, corners[i].z);
  }
}

class SingleListScene : public gl::EffectScene {
 public:
  using EffectScene::EffectScene;

  // Takes the texture and records the list: white, then the effect's geometry. The
  // list binds no texture: the frame's texture is bound when it is called.
  bool BuildScene() override {
    BeginBuild();
    displayList = glGenLists(1);
    glNewList(displayList, GL_COMPILE);
    glColor3f(1, 1, 1);
    RecordGeometry(renderer().maxS(), renderer().maxT());
    glEndList();
    EndBuild();
    return true;
  }
  void RenderFrame(const std::uint16_t* pixels) final {
    BeginFrame(pixels);
    Draw();
    EndFrame();
  }
  // With the context current, the frame uploaded into `texture` (bound), the colour
  // buffer cleared and the model-view identity loaded.
  void Draw() {
    Animate();
    glCallList(displayList);
  }

  GLuint displayList = 0;

 protected:
  // Emits the geometry; smax and tmax are the picture's extent inside the texture.
  virtual void RecordGeometry(float smax, float tmax) = 0;
  // Advances the clock and multiplies the frame's placement onto the model-view.
  virtual void Animate() = 0;
};

}  // namespace lw::effects

// Mulch cylinder: sixteen open tubes on the tile chain, the frame mirrored in them by
// sphere-mapped texture coordinates (the renderer's settings turn the generation on
// and upload the frame from the 256 by 128 SmallSurface).
#include <GL/glu.h>

#include "lw/gl/frame_path.h"
#include "tile_chain.h"

namespace lw::effects {
namespace {

constexpr GLdouble kTubeRadius = 30;
constexpr GLdouble kTubeLength = 40;
constexpr GLint kTubeSlices = 36;
constexpr GLint kTubeStacks = 1;

class MulchCylinderScene final : public TileChainScene {
 public:
  using TileChainScene::TileChainScene;

 private:
  // One list, drawn at every chain position: a tube along z from 0 to 40, tessellated
  // once. The quadric serves only the recording.
  void CompileGeometry() override {
    GLUquadric* quadric = gluNewQuadric();
    displayList = glGenLists(1);
    glNewList(displayList, GL_COMPILE);
    glColor3f(1, 1, 1);
    if (quadric != nullptr) {
      gluQuadricDrawStyle(quadric, GLU_FILL);
      gluCylinder(quadric, kTubeRadius, kTubeRadius, kTubeLength, kTubeSlices, kTubeStacks);
    }
    glEndList();
    if (quadric != nullptr) gluDeleteQuadric(quadric);
  }
};

constexpr gl::GlEffect kEffect{"gl_mulch_cylinder", gl::MakeScene<MulchCylinderScene>};

}  // namespace

const plugin::PluginHooks kMulchCylinderHooks = gl::GlPluginHooks<kEffect>();

}  // namespace lw::effects

// Mulch rotation: sixteen quarter-size copies of the whole frame on the tile chain.
#include "lw/gl/frame_path.h"
#include "tile_chain.h"

namespace lw::effects {
namespace {

class MulchRotationScene final : public TileChainScene {
 public:
  using TileChainScene::TileChainScene;

 private:
  // One list, drawn at every chain position: the whole picture on one tile.
  void CompileGeometry() override {
    displayList = glGenLists(1);
    glNewList(displayList, GL_COMPILE);
    glColor3f(1, 1, 1);
    EmitTileQuad(0, renderer().maxS(), 0, renderer().maxT());
    glEndList();
  }
};

constexpr gl::GlEffect kEffect{"gl_mulch_rotation", gl::MakeScene<MulchRotationScene>};

}  // namespace

const plugin::PluginHooks kMulchRotationHooks = gl::GlPluginHooks<kEffect>();

}  // namespace lw::effects

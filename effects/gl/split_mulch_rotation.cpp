// Split mulch rotation: the frame cut into four by four tiles, each tile its own
// sixteenth of the picture, turning in linked chains.
#include "lw/gl/frame_path.h"
#include "tile_chain.h"

namespace lw::effects {
namespace {

class SplitMulchRotationScene final : public TileChainScene {
 public:
  explicit SplitMulchRotationScene(gl::GLRenderer& renderer) : TileChainScene(renderer) {
    listPerPosition = true;
  }

 private:
  // Sixteen lists in drawing order: rows from the bottom of the picture up, rows 0 and
  // 2 taking the columns left to right, rows 1 and 3 right to left.
  void CompileGeometry() override {
    const float sStep = renderer().maxS() / kChainTilesPerRow;
    const float tStep = renderer().maxT() / kChainRows;
    displayList = glGenLists(kChainPositions);
    glColor3f(1, 1, 1);
    for (int p = 0; p < kChainPositions; ++p) {
      const int row = p / kChainTilesPerRow, k = p % kChainTilesPerRow;
      const int column = row % 2 == 0 ? k : kChainTilesPerRow - 1 - k;
      glNewList(displayList + static_cast<GLuint>(p), GL_COMPILE);
      EmitTileQuad(static_cast<float>(column) * sStep, static_cast<float>(column + 1) * sStep,
                   static_cast<float>(row) * tStep, static_cast<float>(row + 1) * tStep);
      glEndList();
    }
  }
};

constexpr gl::GlEffect kEffect{"gl_split_mulch_rotation", gl::MakeScene<SplitMulchRotationScene>};

}  // namespace

const plugin::PluginHooks kSplitMulchRotationHooks = gl::GlPluginHooks<kEffect>();

}  // namespace lw::effects

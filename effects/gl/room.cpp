// Room: the viewer inside a closed box whose four walls, floor and ceiling all show
// the frame, the box tumbling about its centre with the tile chain's turn and keys.
#include "arrow_keys.h"
#include "axis_turn.h"
#include "hooks.h"
#include "lw/gl/frame_path.h"
#include "single_list_scene.h"
#include "tile_chain.h"

namespace lw::effects {
namespace {

constexpr std::int32_t kStepsPerTurn = 1024;
// Half the room's width (x), height (y) and depth (z).
constexpr float kHalfX = 160;
constexpr float kHalfY = 120;
constexpr float kHalfZ = 160;

ArrowKeys gKeys(kTurnAxes, kChainSpeeds);

class RoomScene final : public SingleListScene {
 public:
  explicit RoomScene(gl::GLRenderer& renderer) : SingleListScene(renderer, kStepsPerTurn) {}

  // Those of the tile chain.
  void ApplyInitialSettings() override { gKeys.Initial(rotate, speed); }
  void OnKey(std::uint8_t code) override { gKeys.Press(code, rotate, speed); }

 private:
  void RecordGeometry(float smax, float tmax) override {
    // Floor and ceiling: s along z, t along x, so the picture lies a quarter turned.
    glBegin(GL_QUADS);
    for (const float y : {-kHalfY, kHalfY})
      PictureQuad(
          {{-kHalfX, y, -kHalfZ}, {kHalfX, y, -kHalfZ}, {kHalfX, y, kHalfZ}, {-kHalfX, y, kHalfZ}},
          smax, tmax);
    glEnd();
    // The walls once around: back, right, front, left. The picture stands upright on
    // each, and s alternates at the corners so neighbouring walls meet at one edge:
    // seen from inside, back and front show it unmirrored, the side walls mirrored.
    struct Corner {
      float x, z, s;
    };
    const Corner corners[5] = {{-kHalfX, -kHalfZ, 0},
                               {kHalfX, -kHalfZ, smax},
                               {kHalfX, kHalfZ, 0},
                               {-kHalfX, kHalfZ, smax},
                               {-kHalfX, -kHalfZ, 0}};
    glBegin(GL_QUAD_STRIP);
    for (const Corner& c : corners) {
      glTexCoord2f(c.s, 0);
      glVertex3f(c.x, -kHalfY, c.z);
      glTexCoord2f(c.s, tmax);
      glVertex3f(c.x, kHalfY, c.z);
    }
    glEnd();
  }

  void Animate() override { AdvanceAndTurn(clock, speed, rotate); }

  std::int32_t speed = 0;
  AxisChoice rotate{0, 0, 0};
};

constexpr gl::GlEffect kEffect{"gl_room", gl::MakeScene<RoomScene>};

}  // namespace

const plugin::PluginHooks kRoomHooks = gl::GlPluginHooks<kEffect>();

}  // namespace lw::effects

// Room: the viewer inside a closed box whose four walls, floor and ceiling all show
// the frame, the box tumbling about its centre with the tile chain's turn and keys.
#include "axis_turn.h"
#include "drawing_scene.h"
#include "hooks.h"
#include "key_cycle.h"
#include "lw/gl/frame_path.h"
#include "tile_chain.h"

namespace lw::effects {
namespace {

constexpr std::int32_t kStepsPerTurn = 1024;
// Half the room's width (x), height (y) and depth (z).
constexpr float kHalfX = 160;
constexpr float kHalfY = 120;
constexpr float kHalfZ = 160;

KeyCycle gAxisMode;
KeyCycle gSpeedStep;

class RoomScene final : public DrawingScene {
 public:
  explicit RoomScene(gl::GLRenderer& renderer) : DrawingScene(renderer, kStepsPerTurn) {}

  bool BuildScene() override {
    const float smax = renderer().maxS(), tmax = renderer().maxT();
    BeginBuild();
    displayList = glGenLists(1);
    glNewList(displayList, GL_COMPILE);
    glColor3f(1, 1, 1);
    // Floor and ceiling: s along z, t along x, so the picture lies a quarter turned.
    glBegin(GL_QUADS);
    for (const float y : {-kHalfY, kHalfY}) {
      glTexCoord2f(0, 0);
      glVertex3f(-kHalfX, y, -kHalfZ);
      glTexCoord2f(0, tmax);
      glVertex3f(kHalfX, y, -kHalfZ);
      glTexCoord2f(smax, tmax);
      glVertex3f(kHalfX, y, kHalfZ);
      glTexCoord2f(smax, 0);
      glVertex3f(-kHalfX, y, kHalfZ);
    }
    glEnd();
    // The walls once around: back, right, front, left. The picture stands upright on
    // each, and s alternates at the corners so neighbouring walls meet at one edge.
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
    glEndList();
    EndBuild();
    return true;
  }

  // Those of the tile chain.
  void ApplyInitialSettings() override {
    speed = kChainSpeeds[0];
    rotate = kTurnAxes[0];
  }

  void Draw() override {
    AdvanceAndTurn(clock, speed, rotate);
    glCallList(displayList);
  }

  void OnKey(std::uint8_t code) override {
    if (code == plugin::kKeyUp) rotate = gAxisMode.Next(kTurnAxes);
    if (code == plugin::kKeyDown) speed = gSpeedStep.Next(kChainSpeeds);
  }

 private:
  std::int32_t speed = 0;
  AxisChoice rotate{0, 0, 0};
  GLuint displayList = 0;
};

constexpr gl::GlEffect kEffect{"gl_room", gl::MakeScene<RoomScene>};

}  // namespace

const plugin::PluginHooks kRoomHooks = gl::GlPluginHooks<kEffect>();

}  // namespace lw::effects

// Flat move: the picture swings to and fro along a sine of time, sideways, up and
// down, in depth, or along several of these at once.
#include "arrow_keys.h"
#include "axis_turn.h"
#include "flat_picture.h"
#include "hooks.h"
#include "lw/gl/frame_path.h"

namespace lw::effects {
namespace {

// The swing's reach: 100 units across and up, 200 in depth (away from the eye first).
constexpr std::int32_t kReachX = 100;
constexpr std::int32_t kReachY = 100;
constexpr std::int32_t kReachZ = -200;
constexpr std::int32_t kSpeeds[7] = {4, 6, 8, 10, 12, 14, 16};

// The up key chooses the directions of the swing from the seven choices of axes.
ArrowKeys gKeys(kTurnAxes, kSpeeds);

class FlatMoveScene final : public SineDrivenScene {
 public:
  using SineDrivenScene::SineDrivenScene;

  void ApplyInitialSettings() override { gKeys.Initial(move, speed); }
  void OnKey(std::uint8_t code) override { gKeys.Press(code, move, speed); }

 private:
  void PlacePicture() override {
    const float v = SineOfPhase();
    glTranslatef(static_cast<float>(kReachX * move.x) * v, static_cast<float>(kReachY * move.y) * v,
                 static_cast<float>(kReachZ * move.z) * v);
  }

  AxisChoice move{0, 0, 0};
};

constexpr gl::GlEffect kEffect{"gl_flat_move", gl::MakeScene<FlatMoveScene>};

}  // namespace

const plugin::PluginHooks kFlatMoveHooks = gl::GlPluginHooks<kEffect>();

}  // namespace lw::effects

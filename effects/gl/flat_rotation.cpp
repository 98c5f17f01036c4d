// Flat rotation: the picture turns about its centre, about the horizontal axis, the
// vertical one, the line of sight, or several of these by the same angle. With no
// face culling its back shows too, mirrored.
#include "arrow_keys.h"
#include "axis_turn.h"
#include "flat_picture.h"
#include "hooks.h"
#include "lw/gl/frame_path.h"

namespace lw::effects {
namespace {

// By 2 up to 10, then by 3.
constexpr std::int32_t kSpeeds[7] = {2, 4, 6, 8, 10, 13, 16};

ArrowKeys gKeys(kTurnAxes, kSpeeds);

class FlatRotationScene final : public FlatPictureScene {
 public:
  using FlatPictureScene::FlatPictureScene;

  void ApplyInitialSettings() override { gKeys.Initial(rotate, speed); }
  void OnKey(std::uint8_t code) override { gKeys.Press(code, rotate, speed); }

 private:
  // The clock has advanced already; the turn is the tile chain's, on 512 steps.
  void PlacePicture() override { TurnByAxes(clock.AngleDegrees(), rotate); }

  AxisChoice rotate{0, 0, 0};
};

constexpr gl::GlEffect kEffect{"gl_flat_rotation", gl::MakeScene<FlatRotationScene>};

}  // namespace

const plugin::PluginHooks kFlatRotationHooks = gl::GlPluginHooks<kEffect>();

}  // namespace lw::effects

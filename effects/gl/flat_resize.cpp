// Flat resize: the picture breathes about its centre, its scale following a sine of
// time between nothing and twice its size, across, up and down, or both.
#include "arrow_keys.h"
#include "flat_picture.h"
#include "hooks.h"
#include "lw/gl/frame_path.h"

namespace lw::effects {
namespace {

// Weights of the sine in the horizontal and vertical scale, per up-key step.
struct StretchChoice {
  std::int32_t x, y;
};
constexpr StretchChoice kStretches[3] = {{1, 0}, {0, 1}, {1, 1}};
constexpr std::int32_t kSpeeds[7] = {2, 4, 6, 8, 10, 12, 14};

ArrowKeys gKeys(kStretches, kSpeeds);

class FlatResizeScene final : public SineDrivenScene {
 public:
  using SineDrivenScene::SineDrivenScene;

  void ApplyInitialSettings() override { gKeys.Initial(stretch, speed); }
  void OnKey(std::uint8_t code) override { gKeys.Press(code, stretch, speed); }

 private:
  // A scale of 1 + v along each chosen axis: twice the size at v = 1, nothing at -1.
  void PlacePicture() override {
    const float v = SineOfPhase();
    glScalef(static_cast<float>(stretch.x) * v + 1, static_cast<float>(stretch.y) * v + 1, 1);
  }

  StretchChoice stretch{0, 0};
};

constexpr gl::GlEffect kEffect{"gl_flat_resize", gl::MakeScene<FlatResizeScene>};

}  // namespace

const plugin::PluginHooks kFlatResizeHooks = gl::GlPluginHooks<kEffect>();

}  // namespace lw::effects

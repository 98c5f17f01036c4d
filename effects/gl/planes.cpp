// Planes: the frame on a floor just below the eye and a ceiling just above it, a flat
// corridor of video that spins about the line of sight, forward or backward.
#include "arrow_keys.h"
#include "hooks.h"
#include "lw/gl/frame_path.h"
#include "single_list_scene.h"

namespace lw::effects {
namespace {

constexpr std::int32_t kStepsPerTurn = 1024;
// Half the planes' size across and in depth, and half the gap between them.
constexpr float kHalfSize = 160;
constexpr float kHalfGap = 10;

// The up key alternates the sense of the spin over eight steps, forward on even ones.
constexpr std::int32_t kSpinDirections[8] = {+1, -1, +1, -1, +1, -1, +1, -1};
constexpr std::int32_t kSpeeds[7] = {1, 2, 3, 4, 5, 6, 7};

ArrowKeys gKeys(kSpinDirections, kSpeeds);

class PlanesScene final : public SingleListScene {
 public:
  explicit PlanesScene(gl::GLRenderer& renderer) : SingleListScene(renderer, kStepsPerTurn) {}

  void ApplyInitialSettings() override { gKeys.Initial(spinDirection, speed); }
  void OnKey(std::uint8_t code) override { gKeys.Press(code, spinDirection, speed); }

 private:
  // Both planes carry the whole picture, its left edge at x = -160, its bottom row at
  // the far end (z = -160) and its top row behind the eye (z = 160): the ceiling shows
  // it with the top toward the frame's upper edge, the floor mirrored top to bottom.
  void RecordGeometry(float smax, float tmax) override {
    glBegin(GL_QUADS);
    for (const float y : {-kHalfGap, kHalfGap})
      PictureQuad({{-kHalfSize, y, -kHalfSize},
                   {-kHalfSize, y, kHalfSize},
                   {kHalfSize, y, kHalfSize},
                   {kHalfSize, y, -kHalfSize}},
                  smax, tmax);
    glEnd();
  }

  // The clock runs backward too; a reversal turns the corridor back from where it is.
  void Animate() override {
    clock.Advance(speed, spinDirection);
    glRotatef(clock.AngleDegrees(), 0, 0, 1);
  }

  std::int32_t speed = 0;
  std::int32_t spinDirection = 0;
};

constexpr gl::GlEffect kEffect{"gl_planes", gl::MakeScene<PlanesScene>};

}  // namespace

const plugin::PluginHooks kPlanesHooks = gl::GlPluginHooks<kEffect>();

}  // namespace lw::effects

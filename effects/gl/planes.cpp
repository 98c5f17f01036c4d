// Planes: the frame on a floor just below the eye and a ceiling just above it, a flat
// corridor of video that spins about the line of sight, forward or backward.
#include "drawing_scene.h"
#include "hooks.h"
#include "key_cycle.h"
#include "lw/gl/frame_path.h"

namespace lw::effects {
namespace {

constexpr std::int32_t kStepsPerTurn = 1024;
// Half the planes' size across and in depth, and half the gap between them.
constexpr float kHalfSize = 160;
constexpr float kHalfGap = 10;

// The up key alternates the sense of the spin over eight steps, forward on even ones.
constexpr std::int32_t kSpinDirections[8] = {+1, -1, +1, -1, +1, -1, +1, -1};
constexpr std::int32_t kSpeeds[7] = {1, 2, 3, 4, 5, 6, 7};

KeyCycle gSpinStep;
KeyCycle gSpeedStep;

class PlanesScene final : public DrawingScene {
 public:
  explicit PlanesScene(gl::GLRenderer& renderer) : DrawingScene(renderer, kStepsPerTurn) {}

  // Both planes carry the whole picture, its left edge at x = -160, its bottom row at
  // the far end (z = -160) and its top row behind the eye (z = 160): the ceiling shows
  // it with the top toward the frame's upper edge, the floor mirrored top to bottom.
  bool BuildScene() override {
    const float smax = renderer().maxS(), tmax = renderer().maxT();
    BeginBuild();
    displayList = glGenLists(1);
    glNewList(displayList, GL_COMPILE);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    for (const float y : {-kHalfGap, kHalfGap}) {
      glTexCoord2f(0, 0);
      glVertex3f(-kHalfSize, y, -kHalfSize);
      glTexCoord2f(0, tmax);
      glVertex3f(-kHalfSize, y, kHalfSize);
      glTexCoord2f(smax, tmax);
      glVertex3f(kHalfSize, y, kHalfSize);
      glTexCoord2f(smax, 0);
      glVertex3f(kHalfSize, y, -kHalfSize);
    }
    glEnd();
    glEndList();
    EndBuild();
    return true;
  }

  void ApplyInitialSettings() override {
    speed = kSpeeds[0];
    spinDirection = kSpinDirections[0];
  }

  // The clock runs backward too; a reversal turns the corridor back from where it is.
  void Draw() override {
    clock.Advance(speed, spinDirection);
    glRotatef(clock.AngleDegrees(), 0, 0, 1);
    glCallList(displayList);
  }

  void OnKey(std::uint8_t code) override {
    if (code == plugin::kKeyUp) spinDirection = gSpinStep.Next(kSpinDirections);
    if (code == plugin::kKeyDown) speed = gSpeedStep.Next(kSpeeds);
  }

 private:
  std::int32_t speed = 0;
  std::int32_t spinDirection = 0;
  GLuint displayList = 0;
};

constexpr gl::GlEffect kEffect{"gl_planes", gl::MakeScene<PlanesScene>};

}  // namespace

const plugin::PluginHooks kPlanesHooks = gl::GlPluginHooks<kEffect>();

}  // namespace lw::effects

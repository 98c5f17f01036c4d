#include "tile_chain.h"

namespace lw::effects {
namespace {

// The key counters belong to the loaded library: they start at 0 at load and survive
// ReleaseDll and a new CeateDll.
std::int32_t gAxisMode = 0;
std::int32_t gSpeedStep = 0;

constexpr std::int32_t kChainStepsPerTurn = 1024;

// Where each row's first tile sits and which way the row runs (rows 0 and 2 left to
// right, rows 1 and 3 right to left); each tile is one unit nearer than the last.
struct ChainRow {
  float startX, startY, stepX;
};
constexpr ChainRow kRows[kChainRows] = {
    {-120, -90, kTileWidth}, {120, -30, -kTileWidth}, {-120, 30, kTileWidth}, {120, 90, -kTileWidth}};
constexpr float kStepZ = 1;

}  // namespace

void EmitTileQuad(float s0, float s1, float t0, float t1) {
  constexpr float hw = kTileWidth / 2, hh = kTileHeight / 2;
  glBegin(GL_QUADS);
  glTexCoord2f(s0, t0);
  glVertex3f(-hw, -hh, 0);
  glTexCoord2f(s0, t1);
  glVertex3f(-hw, hh, 0);
  glTexCoord2f(s1, t1);
  glVertex3f(hw, hh, 0);
  glTexCoord2f(s1, t0);
  glVertex3f(hw, -hh, 0);
  glEnd();
}

TileChainScene::TileChainScene(gl::GLRenderer& renderer)
    : EffectScene(renderer, kChainStepsPerTurn) {}

bool TileChainScene::BuildScene() {
  BeginBuild();
  CompileGeometry();
  EndBuild();
  return true;
}

void TileChainScene::ApplyInitialSettings() {
  speed = kChainSpeeds[0];
  rotateX = kTurnAxes[0].x;
  rotateY = kTurnAxes[0].y;
  rotateZ = kTurnAxes[0].z;
}

void TileChainScene::TurnTile() {
  AdvanceAndTurn(clock, speed, {rotateX, rotateY, rotateZ});
}

void TileChainScene::RenderFrame(const std::uint16_t* pixels) {
  BeginFrame(pixels);
  DrawChain();
  EndFrame();
}

void TileChainScene::DrawChain() {
  for (int r = 0; r < kChainRows; ++r) {
    if (r > 0) glLoadIdentity();
    glTranslatef(kRows[r].startX, kRows[r].startY, 0);
    for (int k = 0; k < kChainTilesPerRow; ++k) {
      TurnTile();
      const int position = r * kChainTilesPerRow + k;
      glCallList(displayList + (listPerPosition ? static_cast<GLuint>(position) : 0));
      if (k < kChainTilesPerRow - 1) glTranslatef(kRows[r].stepX, 0, kStepZ);
    }
  }
}

void TileChainScene::OnKey(std::uint8_t code) {
  if (code == plugin::kKeyUp) {
    gAxisMode = NextStep(gAxisMode, static_cast<std::int32_t>(std::size(kTurnAxes)));
    const AxisChoice& a = kTurnAxes[gAxisMode];
    rotateX = a.x;
    rotateY = a.y;
    rotateZ = a.z;
  } else if (code == plugin::kKeyDown) {
    gSpeedStep = NextStep(gSpeedStep, static_cast<std::int32_t>(std::size(kChainSpeeds)));
    speed = kChainSpeeds[gSpeedStep];
  }
}

}  // namespace lw::effects

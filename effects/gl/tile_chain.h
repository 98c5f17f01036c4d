// The tile chain shared by the three chain effects (split mulch rotation, mulch
// rotation, mulch cylinder): sixteen tiles in four rows, each placed and turned
// relative to the one before it in its row, rows drawn in a snaking order, the clock
// advanced before every tile. The effects differ only in the geometry they compile
// and so in the list drawn at each chain position.
#pragma once
#include <cstdint>

#include "axis_turn.h"
#include "arrow_keys.h"
#include "lw/gl/effect_scene.h"
#include "lw/plugin/entry_points.h"

namespace lw::effects {

constexpr int kChainRows = 4;
constexpr int kChainTilesPerRow = 4;
constexpr int kChainPositions = kChainRows * kChainTilesPerRow;
constexpr float kTileWidth = 80;
constexpr float kTileHeight = 60;

// The speed for each value of the down key's counter.
inline constexpr std::int32_t kChainSpeeds[7] = {1, 2, 3, 4, 5, 6, 7};

// One tile quad, 80 by 60 units centred at the origin of its frame at z = 0, its
// vertices each preceded by its texture coordinate (s0..s1 across, t0..t1 up).
void EmitTileQuad(float s0, float s1, float t0, float t1);

class TileChainScene : public gl::EffectScene {
 public:
  explicit TileChainScene(gl::GLRenderer& renderer);

  bool BuildScene() final;
  void ApplyInitialSettings() final;
  void RenderFrame(const std::uint16_t* pixels) final;
  void OnKey(std::uint8_t code) final;
  // The step before each tile: advance the clock, turn by its angle.
  void TurnTile();
  // The four rows of the chain, with the context current and the texture bound.
  void DrawChain();

  std::int32_t speed = 0;
  std::int32_t rotateX = 0, rotateY = 0, rotateZ = 0;
  GLuint displayList = 0;

 protected:
  // Records the effect's geometry with the context current; sets displayList. One list
  // per chain position when `listPerPosition`, else one list for them all.
  virtual void CompileGeometry() = 0;
  bool listPerPosition = false;
};

// The chain effects' hooks, for their plug-ins.
extern const plugin::PluginHooks kSplitMulchRotationHooks;
extern const plugin::PluginHooks kMulchRotationHooks;
extern const plugin::PluginHooks kMulchCylinderHooks;

}  // namespace lw::effects

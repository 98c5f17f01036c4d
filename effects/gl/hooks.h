// The hooks of the single-scene GL effects, for their plug-ins (the chain effects'
// are in tile_chain.h).
#pragma once
#include "lw/plugin/entry_points.h"

namespace lw::effects {

extern const plugin::PluginHooks kFlatResizeHooks;
extern const plugin::PluginHooks kPlanesHooks;
extern const plugin::PluginHooks kRoomHooks;
extern const plugin::PluginHooks kFlatRotationHooks;
extern const plugin::PluginHooks kFlatMoveHooks;

}  // namespace lw::effects

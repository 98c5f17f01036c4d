#include "effects/gl/hooks.h"
#include "lw/plugin/definition.h"

LW_DEFINE_PLUGIN("gl_flat_move", lw::effects::kFlatMoveHooks, "MOVE");

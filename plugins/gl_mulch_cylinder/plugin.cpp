#include "effects/gl/tile_chain.h"
#include "lw/plugin/definition.h"

LW_DEFINE_PLUGIN("gl_mulch_cylinder", lw::effects::kMulchCylinderHooks, "TUBES");

#include "effects/gl/tile_chain.h"
#include "lw/plugin/definition.h"

LW_DEFINE_PLUGIN("gl_split_mulch_rotation", lw::effects::kSplitMulchRotationHooks, "SPLIT");

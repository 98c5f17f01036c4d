#include "effects/pixel/interlaced_composition.h"
#include "lw/plugin/definition.h"

LW_DEFINE_PLUGIN("interlaced_composition", lw::effects::kInterlacedCompositionHooks, "LACE");

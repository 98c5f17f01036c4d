#include "effects/pixel/mosaic.h"
#include "lw/plugin/definition.h"

LW_DEFINE_PLUGIN("mosaic", lw::effects::kMosaicHooks, "CELLS");

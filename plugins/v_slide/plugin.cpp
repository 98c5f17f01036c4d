#include "effects/pixel/slide.h"
#include "lw/plugin/definition.h"

namespace {
// This library slides the picture along the vertical axis.
constexpr lw::plugin::PluginHooks kHooks = lw::effects::SlideHooks<lw::effects::kVerticalAxis>();
}  // namespace

LW_DEFINE_PLUGIN("v_slide", kHooks, "SLD-V");

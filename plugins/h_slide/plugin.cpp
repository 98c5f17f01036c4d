#include "effects/pixel/slide.h"
#include "lw/plugin/definition.h"

namespace {
// This library slides the picture along the horizontal axis.
constexpr lw::plugin::PluginHooks kHooks = lw::effects::SlideHooks<lw::effects::kHorizontalAxis>();
}  // namespace

LW_DEFINE_PLUGIN("h_slide", kHooks, "SLD-H");

#include "effects/pixel/wrapped_slide.h"
#include "lw/plugin/definition.h"

namespace {
// This library scrolls the picture along the horizontal axis.
constexpr lw::plugin::PluginHooks kHooks =
    lw::effects::WrappedSlideHooks<lw::effects::kHorizontalAxis>();
}  // namespace

LW_DEFINE_PLUGIN("h_wrapped_slide", kHooks, "WRP-H");

#include "effects/pixel/wrapped_slide.h"
#include "lw/plugin/definition.h"

namespace {
// This library scrolls the picture along the vertical axis.
constexpr lw::plugin::PluginHooks kHooks =
    lw::effects::WrappedSlideHooks<lw::effects::kVerticalAxis>();
}  // namespace

LW_DEFINE_PLUGIN("v_wrapped_slide", kHooks, "WRP-V");

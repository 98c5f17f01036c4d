#include "effects/pixel/feedback.h"
#include "lw/plugin/definition.h"

LW_DEFINE_PLUGIN("feedback", lw::effects::kFeedbackHooks, "TRAIL");

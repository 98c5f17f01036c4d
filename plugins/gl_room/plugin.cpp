#include "effects/gl/hooks.h"
#include "lw/plugin/definition.h"

LW_DEFINE_PLUGIN("gl_room", lw::effects::kRoomHooks, "ROOM");

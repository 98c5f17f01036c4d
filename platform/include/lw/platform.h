// Everything the platform layer offers.
#pragma once
#include "lw/clock.h"
#include "lw/ddraw.h"
#include "lw/faults.h"
#include "lw/gdi.h"
#include "lw/glcontext.h"
#include "lw/registry.h"

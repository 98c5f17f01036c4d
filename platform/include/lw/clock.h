// The millisecond clock: unsigned 32-bit, wrapping after 2^32 ms. Monotonic by
// default; a host or test installs a virtual clock to drive time itself.
#pragma once
#include "lw/api.h"

namespace lw {

LW_API DWORD timeGetTime();
LW_API void SetVirtualClock(DWORD now);      // installs the virtual clock at `now`
LW_API void AdvanceVirtualClock(DWORD delta);  // wraps like the real counter
LW_API void UseMonotonicClock();
LW_API bool VirtualClockActive();

}  // namespace lw

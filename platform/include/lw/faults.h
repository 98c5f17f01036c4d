// Fault injection: make the next operations of one kind fail, to exercise the failure
// paths of the plug-ins.
#pragma once
#include "lw/api.h"

namespace lw {

enum class Fault {
  Lock,             // Lock on any surface
  CreateSurface,    // CreateSurface / CreateHostSurface
  GetDC,            // a surface's device context
  MemoryDC,         // a memory device context
  DibSection,       // the bitmap of a memory device context
  ChoosePixelFormat,
  SetPixelFormat,
  CreateContext,    // the GL rendering context
  RegistryOpen,     // RegCreateKeyEx
  RegistryRead,     // RegQueryValueEx
  Count
};

// The next `count` operations of `kind` after `skip` successful ones fail.
LW_API void InjectFault(Fault kind, int count, int skip = 0);
LW_API void ClearFaults();
// Consumed by the layer itself: true when this operation must fail.
LW_API bool TakeFault(Fault kind);
LW_API int FaultsPending(Fault kind);

}  // namespace lw

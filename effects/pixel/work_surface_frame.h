// The frame of the pixel plug-ins that build their output in the WorkSurface (feedback
// and the wrapped slides): lock the host surface and the WorkSurface, let the effect
// write the WorkSurface, unlock both, and copy the WorkSurface onto the host surface.
#pragma once
#include <cstdint>

#include "lw/plugin/host_objects.h"
#include "lw/plugin/surfaces.h"

namespace lw::effects {

// `work(host, workSurface)` runs only when both surfaces are locked and of one size;
// otherwise the WorkSurface keeps the previous output, which the host then receives.
// Returns 0 when the host surface cannot be locked, and when there is no WorkSurface
// (the host called before a successful CeateDll): then nothing is touched.
template <typename Work>
std::int32_t RunWorkSurfaceFrame(Surface* host, Work&& work) {
  Surface* workSurface = plugin::WorkSurface();
  if (workSurface == nullptr) return 0;
  {
    plugin::LockedSurface source(host);
    if (!source.ok()) return 0;
    plugin::LockedSurface target(workSurface);
    if (target.ok() && target.SameSizeAs(source)) work(source, target);
  }  // the WorkSurface is unlocked first, then the host surface
  plugin::PresentWorkSurface(host);
  return 1;
}

}  // namespace lw::effects

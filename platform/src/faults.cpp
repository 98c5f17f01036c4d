#include "lw/faults.h"

#include <array>
#include <mutex>

namespace lw {
namespace {

struct Pending {
  int skip = 0;
  int count = 0;
};

std::mutex gMutex;
std::array<Pending, static_cast<std::size_t>(Fault::Count)> gPending;

Pending* Slot(Fault kind) {
  auto i = static_cast<std::size_t>(kind);
  return i < gPending.size() ? &gPending[i] : nullptr;
}

}  // namespace

void InjectFault(Fault kind, int count, int skip) {
  std::lock_guard lock(gMutex);
  if (Pending* p = Slot(kind)) *p = {skip < 0 ? 0 : skip, count < 0 ? 0 : count};
}

void ClearFaults() {
  std::lock_guard lock(gMutex);
  gPending.fill({});
}

bool TakeFault(Fault kind) {
  std::lock_guard lock(gMutex);
  Pending* p = Slot(kind);
  if (p == nullptr || p->count == 0) return false;
  if (p->skip > 0) {
    --p->skip;
    return false;
  }
  --p->count;
  return true;
}

int FaultsPending(Fault kind) {
  std::lock_guard lock(gMutex);
  Pending* p = Slot(kind);
  return p ? p->count : 0;
}

}  // namespace lw

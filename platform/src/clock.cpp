#include "lw/clock.h"

#include <atomic>
#include <ctime>

namespace lw {
namespace {
std::atomic<bool> gVirtual{false};
std::atomic<DWORD> gVirtualNow{0};
}  // namespace

DWORD timeGetTime() {
  if (gVirtual.load(std::memory_order_acquire)) return gVirtualNow.load(std::memory_order_acquire);
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const auto ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ull +
                  static_cast<unsigned long long>(ts.tv_nsec) / 1000000ull;
  return static_cast<DWORD>(ms);  // wraps like the real counter
}

void SetVirtualClock(DWORD now) {
  gVirtualNow.store(now, std::memory_order_release);
  gVirtual.store(true, std::memory_order_release);
}

void AdvanceVirtualClock(DWORD delta) { gVirtualNow.fetch_add(delta, std::memory_order_acq_rel); }

void UseMonotonicClock() { gVirtual.store(false, std::memory_order_release); }

bool VirtualClockActive() { return gVirtual.load(std::memory_order_acquire); }

}  // namespace lw

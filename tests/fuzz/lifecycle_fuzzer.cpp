// Turns its input bytes into a sequence of calls on one of the built plug-ins: the
// identification calls, CheckDll, CeateDll / ReleaseDll in any order, keys of any code,
// play / pause / stop, frames on surfaces of any size and either layout, injected
// failures, clock jumps and registry changes. Nothing may crash, and every surface a
// plug-in creates must be gone after its ReleaseDll.
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "harness.h"
#include "lw/platform.h"
#include "lw/plugin/host_objects.h"

namespace {

using lw::host::PluginLibrary;

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : p_(data), n_(size) {}
  bool empty() const { return n_ == 0; }
  std::uint8_t U8() {
    if (n_ == 0) return 0;
    --n_;
    return *p_++;
  }
  std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | (U8() << 8)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(U16() | (std::uint32_t{U16()} << 16)); }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
};

std::vector<std::unique_ptr<PluginLibrary>>& Plugins() {
  static std::vector<std::unique_ptr<PluginLibrary>> plugins;
  return plugins;
}

// Mostly small sides or the usual 320 by 240; one in sixteen up to 4096.
std::uint32_t Side(Bytes& in) {
  const std::uint8_t b = in.U8();
  if (b >= 0xF0) return in.U16() % 4097;
  if (b & 0x40) return (b & 1) ? 320 : 240;
  return b % 48;
}

void Frame(Bytes& in, PluginLibrary& plugin, lw::DirectDraw* dd) {
  const std::uint32_t w = Side(in), h = Side(in);
  const std::uint32_t w2 = (in.U8() & 1) ? w : Side(in);
  const std::uint32_t h2 = (in.U8() & 1) ? h : Side(in);
  const std::int32_t pitch = (in.U8() & 3) == 0 ? static_cast<std::int32_t>(w * 2 + 2 * (in.U8() % 8)) : 0;
  lw::Surface* a = nullptr;
  lw::Surface* b = nullptr;
  if (lw::CreateHostSurface(dd, w, h, pitch, &a) != lw::DD_OK) return;
  if (lw::CreateHostSurface(dd, w2, h2, 0, &b) != lw::DD_OK) {
    lw::Release(a);
    return;
  }
  const std::uint16_t seed = in.U16();
  for (lw::Surface* s : {a, b}) {
    lw::DDSURFACEDESC desc{};
    desc.dwSize = lw::kSurfaceDescSize;
    if (lw::Lock(s, nullptr, &desc, 0, nullptr) != lw::DD_OK) continue;
    // A short repeating ramp: cheap to write even on the largest surfaces.
    auto* px = static_cast<std::uint8_t*>(desc.lpSurface);
    const std::size_t bytes = std::size_t{desc.dwHeight} * desc.lPitch;
    std::uint8_t ramp[64];
    for (int i = 0; i < 64; ++i) ramp[i] = static_cast<std::uint8_t>(seed + i * 31);
    for (std::size_t i = 0; i < bytes; i += 64) std::memcpy(px + i, ramp, std::min<std::size_t>(64, bytes - i));
    lw::Unlock(s, nullptr);
  }
  const auto& c = plugin.calls();
  if (in.U8() & 1)
    c.EffectOut(a);
  else
    c.CompositionOut(a, b);
  lw::Release(a);
  lw::Release(b);
}

void Registry(Bytes& in, lw::DirectDraw* dd) {
  using lw::plugin::kDDKey;
  using lw::plugin::kScreen2Key;
  switch (in.U8() % 8) {
    case 0: lw::RegDeleteKey(kDDKey); break;
    case 1: lw::RegDeleteKey(kScreen2Key); break;
    case 2: lw::RegSetDword(kDDKey, "ScreenDD2", 0); break;
    case 3: lw::RegSetDword(kDDKey, "CommandDD2", 0); break;
    case 4: lw::RegSetDword(kScreen2Key, "WindowScreen", in.U8() & 1 ? 0 : 5); break;
    case 5: lw::RegDeleteValue(kScreen2Key, "WindowScreen"); break;
    case 6: lw::RegSetDword(kDDKey, in.U8() & 1 ? "ScreenDD2" : "CommandDD2", in.U32()); break;
    default:
      lw::RegSetDword(kDDKey, "CommandDD2", lw::HandleOf(dd));
      lw::RegSetDword(kDDKey, "ScreenDD2", lw::HandleOf(dd));
      lw::RegSetDword(kScreen2Key, "WindowScreen", 1);
  }
}

void Clock(Bytes& in) {
  switch (in.U8() % 5) {
    case 0: lw::AdvanceVirtualClock(in.U8()); break;
    case 1: lw::AdvanceVirtualClock(in.U16()); break;
    case 2: lw::SetVirtualClock(0xFFFFFFFFu - in.U8()); break;  // across the wrap
    case 3: lw::AdvanceVirtualClock((in.U8() % 12 + 1) * 3'600'000u); break;  // hours
    default: lw::SetVirtualClock(in.U32()); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (const auto& name : lw::test::BuiltPlugins())
    Plugins().push_back(std::make_unique<PluginLibrary>(lw::test::PluginPath(name)));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (Plugins().empty()) return 0;
  Bytes in(data, size);
  PluginLibrary& plugin = *Plugins()[in.U8() % Plugins().size()];
  const auto& c = plugin.calls();
  lw::RegReset();
  lw::ClearFaults();
  lw::SetVirtualClock(1000 + in.U16());
  const std::size_t surfacesBefore = lw::LiveSurfaceCount();
  {
    lw::host::HostEnvironment host(in.U8() & 1 ? lw::DisplayMode::Rgb555 : lw::DisplayMode::Rgb565);
    for (int op = 0; op < 48 && !in.empty(); ++op) {
      switch (in.U8() % 13) {
        case 0: {
          const char* name = nullptr;
          std::uint32_t nameSize = 0;
          c.GetPluginName(&name, &nameSize);
          c.GetPluginName(nullptr, nullptr);
          c.GetPluginType();
          c.GetPluginVersion();
          c.GetCapabilitySurfaceSize();
          c.GenerateOut();
          c.OnForcus(in.U32());
          c.OnUnforcus(in.U32());
          c.OnKeyUntrigered(in.U32());
          break;
        }
        case 1: c.CheckDll(); break;
        case 2: c.CeateDll(in.U32(), in.U32()); break;
        case 3: c.ReleaseDll(); break;
        case 4: c.OnKeyTrigered(in.U8() & 1 ? in.U32() : (in.U8() & 1 ? 200u : 208u)); break;
        case 5: c.StreamOutPlay(); break;
        case 6: in.U8() & 1 ? c.StreamOutPause() : c.StreamOutStop(); break;
        case 7:
        case 8: Frame(in, plugin, host.directDraw()); break;
        case 9:
          lw::InjectFault(static_cast<lw::Fault>(in.U8() % static_cast<int>(lw::Fault::Count)),
                          in.U8() % 4, in.U8() % 3);
          break;
        case 10: Clock(in); break;
        case 11: Registry(in, host.directDraw()); break;
        default:
          c.EffectOut(nullptr);
          c.CompositionOut(nullptr, nullptr);
      }
    }
    lw::ClearFaults();
    c.ReleaseDll();
  }
  if (lw::LiveSurfaceCount() != surfacesBefore) {
    std::fprintf(stderr, "surfaces leaked: %zu before, %zu after ReleaseDll\n", surfacesBefore,
                 lw::LiveSurfaceCount());
    std::abort();
  }
  return 0;
}

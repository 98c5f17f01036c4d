// The seventeen entry points every plug-in exports, and the hooks through which an
// effect's source supplies the ones that do work for it.
#pragma once
#include <cstdint>

#include "lw/ddraw.h"
#include "lw/plugin/identity.h"

extern "C" {
std::int32_t GetPluginName(const char** name, std::uint32_t* size);
std::int32_t GetPluginType();
std::int32_t GetPluginVersion();
std::int32_t GetCapabilitySurfaceSize();
std::int32_t CheckDll();
std::int32_t CeateDll(std::uint32_t hostValue1, std::uint32_t hostValue2);
std::int32_t ReleaseDll();
std::int32_t EffectOut(lw::Surface* surface);
std::int32_t CompositionOut(lw::Surface* first, lw::Surface* second);
std::int32_t GenerateOut();
std::int32_t OnKeyTrigered(std::uint32_t key);
std::int32_t OnKeyUntrigered(std::uint32_t unused);
std::int32_t OnForcus(std::uint32_t unused);
std::int32_t OnUnforcus(std::uint32_t unused);
std::int32_t StreamOutPlay();
std::int32_t StreamOutPause();
std::int32_t StreamOutStop();
}

namespace lw::plugin {

// Key codes the effects react to (keyboard scan codes of the arrow keys).
constexpr std::uint8_t kKeyUp = 200;
constexpr std::uint8_t kKeyDown = 208;

// What an effect supplies. A missing hook means the entry point does no work and
// returns its fixed code from the identity table.
struct PluginHooks {
  std::int32_t (*checkDll)() = nullptr;
  std::int32_t (*createDll)() = nullptr;
  void (*releaseDll)() = nullptr;
  std::int32_t (*effectOut)(Surface* surface) = nullptr;
  std::int32_t (*compositionOut)(Surface* first, Surface* second) = nullptr;
  void (*keyTriggered)(std::uint8_t code) = nullptr;  // the key's low byte
  void (*streamOutPlay)() = nullptr;
};

struct PluginDefinition {
  const PluginIdentity* identity;
  const char* name;  // the library's own zero-filled array of kNameCapacity bytes
  const PluginHooks* hooks;
};

// Supplied once per plug-in library, by LW_DEFINE_PLUGIN.
const PluginDefinition& ThisPlugin();

// GetPluginName's rule: hand out `name` and its size with the terminating zero; 1 when
// that size is below kNameCapacity, else 0. Null destinations are not written.
std::int32_t HandOutName(const char* name, const char** outName, std::uint32_t* outSize);

}  // namespace lw::plugin

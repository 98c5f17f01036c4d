// The seventeen exported entry points, shared by every plug-in. Each forwards to the
// hook its effect supplies, or returns the fixed code of the identity table.
#include "lw/plugin/entry_points.h"

#define LW_EXPORT extern "C" __attribute__((visibility("default")))

namespace lw::plugin {

namespace {
const PluginHooks& Hooks() { return *ThisPlugin().hooks; }
const PluginIdentity& Identity() { return *ThisPlugin().identity; }
}  // namespace

}  // namespace lw::plugin

using namespace lw::plugin;

LW_EXPORT std::int32_t GetPluginName(const char** name, std::uint32_t* size) {
  return HandOutName(ThisPlugin().name, name, size);
}

LW_EXPORT std::int32_t GetPluginType() { return static_cast<std::int32_t>(Identity().type); }

LW_EXPORT std::int32_t GetPluginVersion() { return kInterfaceVersion; }

LW_EXPORT std::int32_t GetCapabilitySurfaceSize() { return CapabilityOf(Identity().family); }

LW_EXPORT std::int32_t CheckDll() {
  return Hooks().checkDll ? Hooks().checkDll() : kIdleCheckDllResult;
}

LW_EXPORT std::int32_t CeateDll(std::uint32_t, std::uint32_t) {
  return Hooks().createDll ? Hooks().createDll() : kIdleCeateDllResult;
}

LW_EXPORT std::int32_t ReleaseDll() {
  if (Hooks().releaseDll) Hooks().releaseDll();
  return kReleaseDllResult;
}

LW_EXPORT std::int32_t EffectOut(lw::Surface* surface) {
  if (Identity().type != PluginType::Effect || !Hooks().effectOut) return kIdleFrameResult;
  return Hooks().effectOut(surface);
}

LW_EXPORT std::int32_t CompositionOut(lw::Surface* first, lw::Surface* second) {
  if (Identity().type != PluginType::Composition || !Hooks().compositionOut)
    return kIdleFrameResult;
  return Hooks().compositionOut(first, second);
}

LW_EXPORT std::int32_t GenerateOut() { return kGenerateOutResult; }

LW_EXPORT std::int32_t OnKeyTrigered(std::uint32_t key) {
  if (Hooks().keyTriggered) Hooks().keyTriggered(static_cast<std::uint8_t>(key & 0xFF));
  return kOnKeyTrigeredResult;
}

LW_EXPORT std::int32_t OnKeyUntrigered(std::uint32_t) { return kOnKeyUntrigeredResult; }
LW_EXPORT std::int32_t OnForcus(std::uint32_t) { return kOnForcusResult; }
LW_EXPORT std::int32_t OnUnforcus(std::uint32_t) { return kOnUnforcusResult; }

LW_EXPORT std::int32_t StreamOutPlay() {
  if (Hooks().streamOutPlay) Hooks().streamOutPlay();
  return Identity().streamOutPlayResult;
}

LW_EXPORT std::int32_t StreamOutPause() { return kStreamOutPauseResult; }
LW_EXPORT std::int32_t StreamOutStop() { return kStreamOutStopResult; }

// Loading one plug-in library and calling its seventeen entry points.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "lw/ddraw.h"

namespace lw::host {

// The names every plug-in exports, in the order of the contract.
extern const std::vector<std::string> kEntryPointNames;

struct EntryPoints {
  std::int32_t (*GetPluginName)(const char**, std::uint32_t*) = nullptr;
  std::int32_t (*GetPluginType)() = nullptr;
  std::int32_t (*GetPluginVersion)() = nullptr;
  std::int32_t (*GetCapabilitySurfaceSize)() = nullptr;
  std::int32_t (*CheckDll)() = nullptr;
  std::int32_t (*CeateDll)(std::uint32_t, std::uint32_t) = nullptr;
  std::int32_t (*ReleaseDll)() = nullptr;
  std::int32_t (*EffectOut)(Surface*) = nullptr;
  std::int32_t (*CompositionOut)(Surface*, Surface*) = nullptr;
  std::int32_t (*GenerateOut)() = nullptr;
  std::int32_t (*OnKeyTrigered)(std::uint32_t) = nullptr;
  std::int32_t (*OnKeyUntrigered)(std::uint32_t) = nullptr;
  std::int32_t (*OnForcus)(std::uint32_t) = nullptr;
  std::int32_t (*OnUnforcus)(std::uint32_t) = nullptr;
  std::int32_t (*StreamOutPlay)() = nullptr;
  std::int32_t (*StreamOutPause)() = nullptr;
  std::int32_t (*StreamOutStop)() = nullptr;
};

// A loaded plug-in (dlopen with RTLD_LOCAL). Move-only; unloads when destroyed.
class PluginLibrary {
 public:
  // Throws std::runtime_error naming the file and, when it is no plug-in, every entry
  // point it lacks.
  explicit PluginLibrary(const std::filesystem::path& path);
  ~PluginLibrary();
  PluginLibrary(PluginLibrary&& other) noexcept;
  PluginLibrary& operator=(PluginLibrary&&) = delete;
  PluginLibrary(const PluginLibrary&) = delete;

  const EntryPoints& calls() const { return calls_; }
  const std::filesystem::path& path() const { return path_; }
  std::string Name() const;  // from GetPluginName; empty when it refuses
  bool IsComposition() const { return calls_.GetPluginType() == 1; }

 private:
  std::filesystem::path path_;
  void* handle_ = nullptr;
  EntryPoints calls_;
};

// The build's plug-in folder, then the folders of FXHOST_PLUGIN_PATH.
std::vector<std::filesystem::path> PluginSearchPath();
// A deliverable name or a path to a .so. Throws std::runtime_error when not found.
std::filesystem::path FindPlugin(const std::string& nameOrPath);
// Every <deliverable>.so in the search path, first occurrence of each name.
std::vector<std::filesystem::path> ListPlugins();

}  // namespace lw::host

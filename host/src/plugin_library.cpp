#include "lw/host/plugin_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <stdexcept>

namespace lw::host {

const std::vector<std::string> kEntryPointNames = {
    "GetPluginName", "GetPluginType",   "GetPluginVersion", "GetCapabilitySurfaceSize",
    "CheckDll",      "CeateDll",        "ReleaseDll",       "EffectOut",
    "CompositionOut", "GenerateOut",    "OnKeyTrigered",    "OnKeyUntrigered",
    "OnForcus",      "OnUnforcus",      "StreamOutPlay",    "StreamOutPause",
    "StreamOutStop",
};

namespace {

template <class Fn>
void Bind(void* handle, const char* name, Fn*& slot, std::vector<std::string>& missing) {
  void* symbol = dlsym(handle, name);
  if (symbol == nullptr) missing.push_back(name);
  slot = reinterpret_cast<Fn*>(symbol);
}

}  // namespace

PluginLibrary::PluginLibrary(const std::filesystem::path& path) : path_(path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    throw std::runtime_error("cannot load " + path.string() + ": " + (why ? why : "unknown error"));
  }
  std::vector<std::string> missing;
  EntryPoints& c = calls_;
  Bind(handle_, "GetPluginName", c.GetPluginName, missing);
  Bind(handle_, "GetPluginType", c.GetPluginType, missing);
  Bind(handle_, "GetPluginVersion", c.GetPluginVersion, missing);
  Bind(handle_, "GetCapabilitySurfaceSize", c.GetCapabilitySurfaceSize, missing);
  Bind(handle_, "CheckDll", c.CheckDll, missing);
  Bind(handle_, "CeateDll", c.CeateDll, missing);
  Bind(handle_, "ReleaseDll", c.ReleaseDll, missing);
  Bind(handle_, "EffectOut", c.EffectOut, missing);
  Bind(handle_, "CompositionOut", c.CompositionOut, missing);
  Bind(handle_, "GenerateOut", c.GenerateOut, missing);
  Bind(handle_, "OnKeyTrigered", c.OnKeyTrigered, missing);
  Bind(handle_, "OnKeyUntrigered", c.OnKeyUntrigered, missing);
  Bind(handle_, "OnForcus", c.OnForcus, missing);
  Bind(handle_, "OnUnforcus", c.OnUnforcus, missing);
  Bind(handle_, "StreamOutPlay", c.StreamOutPlay, missing);
  Bind(handle_, "StreamOutPause", c.StreamOutPause, missing);
  Bind(handle_, "StreamOutStop", c.StreamOutStop, missing);
  if (!missing.empty()) {
    dlclose(handle_);
    handle_ = nullptr;
    std::ostringstream message;
    message << path.string() << " is not a plug-in: it lacks";
    for (std::size_t i = 0; i < missing.size(); ++i) message << (i ? ", " : " ") << missing[i];
    throw std::runtime_error(message.str());
  }
}

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

PluginLibrary::PluginLibrary(PluginLibrary&& other) noexcept
    : path_(std::move(other.path_)), handle_(other.handle_), calls_(other.calls_) {
  other.handle_ = nullptr;
}

std::string PluginLibrary::Name() const {
  const char* name = nullptr;
  std::uint32_t size = 0;
  if (calls_.GetPluginName(&name, &size) != 1 || name == nullptr) return {};
  return std::string(name);
}

std::vector<std::filesystem::path> PluginSearchPath() {
  std::vector<std::filesystem::path> folders;
  folders.emplace_back(LW_BUILD_PLUGIN_DIR);
  if (const char* extra = std::getenv("FXHOST_PLUGIN_PATH")) {
    std::stringstream list(extra);
    for (std::string folder; std::getline(list, folder, ':');)
      if (!folder.empty()) folders.emplace_back(folder);
  }
  return folders;
}

std::filesystem::path FindPlugin(const std::string& nameOrPath) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (nameOrPath.find('/') != std::string::npos || nameOrPath.ends_with(".so")) {
    if (fs::is_regular_file(nameOrPath, ec)) return fs::absolute(nameOrPath);
    if (nameOrPath.find('/') != std::string::npos)
      throw std::runtime_error("no plug-in file " + nameOrPath);
  }
  std::string file = nameOrPath.ends_with(".so") ? nameOrPath : nameOrPath + ".so";
  for (const auto& folder : PluginSearchPath())
    if (fs::is_regular_file(folder / file, ec)) return folder / file;
  throw std::runtime_error("no plug-in named '" + nameOrPath +
                           "' (try 'fxhost list', or set FXHOST_PLUGIN_PATH)");
}

std::vector<std::filesystem::path> ListPlugins() {
  namespace fs = std::filesystem;
  std::vector<fs::path> found;
  std::set<std::string> seen;
  for (const auto& folder : PluginSearchPath()) {
    std::error_code ec;
    std::vector<fs::path> here;
    for (const auto& entry : fs::directory_iterator(folder, ec))
      if (entry.path().extension() == ".so") here.push_back(entry.path());
    std::sort(here.begin(), here.end());
    for (const auto& p : here)
      if (seen.insert(p.filename().string()).second) found.push_back(p);
  }
  return found;
}

}  // namespace lw::host

#include "lw/host/commands.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <stdexcept>

#include "lw/host/elf_sections.h"
#include "lw/host/host_environment.h"
#include "lw/host/plugin_library.h"
#include "lw/host/render.h"
#include "lw/plugin/thumbnail.h"

namespace lw::host {
namespace {

const char* TypeName(std::int32_t type) {
  return type == 1 ? "composition" : type == 2 ? "effect" : "unknown";
}

}  // namespace

std::string NeedPlugin(const std::vector<std::string>& args, const char* command) {
  if (args.empty() || args[0].starts_with("--"))
    throw std::invalid_argument(std::string("usage: fxhost ") + command + " PLUGIN");
  return args[0];
}

int ListCommand(const std::vector<std::string>&) {
  HostEnvironment host(DisplayMode::Rgb565);
  const auto plugins = ListPlugins();
  if (plugins.empty()) throw std::runtime_error("no plug-ins found (set FXHOST_PLUGIN_PATH)");
  std::cout << std::left << std::setw(24) << "PLUGIN" << std::setw(34) << "NAME" << std::setw(13)
            << "TYPE" << "VERSION  CAPABILITY  CHECKDLL\n";
  for (const auto& path : plugins) {
    try {
      PluginLibrary lib(path);
      const auto& c = lib.calls();
      std::cout << std::left << std::setw(24) << path.stem().string() << std::setw(34) << lib.Name()
                << std::setw(13) << TypeName(c.GetPluginType()) << std::setw(9)
                << c.GetPluginVersion() << std::setw(12) << c.GetCapabilitySurfaceSize()
                << c.CheckDll() << "\n";
    } catch (const std::exception& e) {
      std::cout << std::left << std::setw(24) << path.stem().string() << "(" << e.what() << ")\n";
    }
  }
  return 0;
}

int InfoCommand(const std::vector<std::string>& args) {
  const auto path = FindPlugin(NeedPlugin(args, "info"));
  HostEnvironment host(DisplayMode::Rgb565);
  PluginLibrary lib(path);
  const auto& c = lib.calls();
  const char* name = nullptr;
  std::uint32_t size = 0;
  const int nameResult = c.GetPluginName(&name, &size);
  std::cout << "file:        " << path.string() << "\n"
            << "name:        " << (name ? name : "") << " (size " << size << ", result "
            << nameResult << ")\n"
            << "type:        " << c.GetPluginType() << " (" << TypeName(c.GetPluginType()) << ")\n"
            << "version:     " << c.GetPluginVersion() << "\n"
            << "capability:  " << c.GetCapabilitySurfaceSize() << "\n"
            << "CheckDll:    " << c.CheckDll() << "\n";
  auto module = ReadElfSection(path.string(), std::string(plugin::kModuleSection));
  std::cout << "module name: "
            << (module ? std::string(reinterpret_cast<const char*>(module->data()),
                                     strnlen(reinterpret_cast<const char*>(module->data()), module->size()))
                       : std::string("(none)"))
            << "\nexports:    ";
  for (const auto& entry : kEntryPointNames) std::cout << " " << entry;
  std::cout << "\nthumbnail:   " << plugin::kThumbnailName << " (RT_BITMAP, language "
            << plugin::kResourceLanguage << ")\n";
  for (const auto& line : ThumbnailArt(path.string())) std::cout << "  " << line << "\n";
  return 0;
}

int RenderCommand(const std::vector<std::string>& args) {
  const std::string plugin = NeedPlugin(args, "render");
  RenderOptions options = ParseRenderOptions({args.begin() + 1, args.end()});
  options.plugin = plugin;
  RenderResult result = Render(options);
  if (result.failedFrames > 0)
    std::cerr << "fxhost render: warning: " << result.failedFrames << " of " << result.frames
              << " frames were not produced by the plug-in (written as they came back)\n";
  std::cout << "wrote " << result.frames << " frames to " << options.output << "\n";
  return 0;
}

int RunCommand(const std::string& command, const std::vector<std::string>& args) {
  if (command == "list") return ListCommand(args);
  if (command == "info") return InfoCommand(args);
  if (command == "render") return RenderCommand(args);
  if (command == "preview") return PreviewCommand(args);
  if (command == "thumbnails") return ThumbnailsCommand(args);
  if (command == "showreel") return ShowreelCommand(args);
  throw std::invalid_argument("unknown command '" + command + "' (see fxhost --help)");
}

}  // namespace lw::host

// fxhost showreel: the test pattern through every plug-in found, a few seconds each
// with a few scripted key presses and its name burned in, into one video.
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "lw/host/commands.h"
#include "lw/host/io.h"
#include "lw/host/plugin_library.h"
#include "lw/host/render.h"

namespace lw::host {

int ShowreelCommand(const std::vector<std::string>& args) {
  // The render options apply to every part; --frames is per plug-in.
  std::vector<std::string> rest = args;
  RenderOptions base = ParseRenderOptions({"--frames", "100", "--output", "showreel/showreel.mp4"});
  const RenderOptions given = ParseRenderOptions(rest);
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == "--frames") base.frames = given.frames;
    if (rest[i] == "--output") base.output = given.output;
    if (rest[i] == "--label" || rest[i] == "--realtime")
      throw std::invalid_argument(rest[i] + " is for render, not showreel");
  }
  const int frames = base.frames;
  base.input = given.input;
  base.input2 = given.input2;
  base.fps = given.fps;
  base.width = given.width;
  base.height = given.height;
  base.layout = given.layout;
  base.playAt = given.playAt;
  base.keys = given.keys;
  if (base.keys.empty())  // up twice, then down, spread over the part
    base.keys = ParseKeys("up@" + std::to_string(frames / 4) + ",up@" + std::to_string(frames / 2) +
                          ",down@" + std::to_string(frames * 3 / 4));

  const auto plugins = ListPlugins();
  if (plugins.empty()) throw std::runtime_error("no plug-ins found (set FXHOST_PLUGIN_PATH)");
  StreamFormat format{base.width, base.height, base.layout, base.fps};
  auto output = OpenSink(base.output, format);
  Progress progress(frames * static_cast<int>(plugins.size()), given.progress);
  int parts = 0, written = 0;
  for (const auto& path : plugins) {
    RenderOptions part = base;
    part.plugin = path.string();
    try {
      part.label = PluginLibrary(path).Name() + " (" + path.stem().string() + ")";
      written += RenderInto(part, *output, progress, written).frames;
      ++parts;
    } catch (const std::exception& e) {
      // A plug-in that cannot run here is left out; the others still make the reel.
      std::cerr << "fxhost showreel: skipping " << path.stem().string() << ": " << e.what() << "\n";
    }
  }
  if (parts == 0) throw std::runtime_error("no plug-in could be rendered");
  output->Finish();
  progress.Done();
  std::cout << "wrote " << parts << " plug-ins, " << written << " frames, to " << base.output << "\n";
  return 0;
}

}  // namespace lw::host

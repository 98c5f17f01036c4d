// fxhost: runs the plug-ins on video, a test pattern or a live window.
#include <dlfcn.h>

#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "lw/host/commands.h"

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  fxhost list                                  the plug-ins found\n"
    "  fxhost info PLUGIN                           identity, exports, thumbnail\n"
    "  fxhost render PLUGIN [options]               offline render\n"
    "  fxhost preview PLUGIN [options]              live window\n"
    "  fxhost thumbnails --output sheet.png         every thumbnail, enlarged\n"
    "  fxhost showreel [options]                    every plug-in into one video\n"
    "render options: --input SRC --input2 SRC --output OUT --frames N --fps F --size WxH\n"
    "  --pixel-format rgb565|rgb555 --keys up@10,down@12,200@30 --play-at 0,50 --realtime\n"
    "  --label TEXT --no-progress\n"
    "  outputs: .mp4 .mkv .webm .gif .mov .avi .png (%d for a sequence) .raw\n"
    "preview keys: arrows and other keys go to the plug-in, space plays, Tab/PageDown next,\n"
    "  Shift+Tab/PageUp previous, Esc quits; options as render but for --output, --play-at,\n"
    "  --realtime and --label; and --scale N --frames N --press Up@10,Escape@50\n"
    "  --screenshot FILE.png\n"
    "showreel options: as render (--frames per plug-in, default 100; --output default\n"
    "  showreel/showreel.mp4)\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::cout << kUsage;
    return args.empty() ? 2 : 0;
  }
  const std::string command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    return lw::host::RunCommand(command, rest);
  } catch (const std::invalid_argument& e) {
    std::cerr << "fxhost " << command << ": " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "fxhost " << command << ": " << e.what() << "\n";
    return 1;
  }
}

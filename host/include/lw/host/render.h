// The offline render: a plug-in driven over a number of frames on the virtual clock.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "lw/ddraw.h"
#include "lw/host/io.h"
#include "lw/host/progress.h"

namespace lw::host {

struct KeyPress {
  int frame = 0;
  std::uint32_t code = 0;
};

struct RenderOptions {
  std::string plugin;
  std::string input = "testsrc";
  std::string input2;  // empty: the second built-in pattern
  std::string output = "out.mp4";
  int frames = 150;
  double fps = 25;
  int width = 320;
  int height = 240;
  DisplayMode layout = DisplayMode::Rgb565;
  std::vector<KeyPress> keys;      // in the order given
  std::vector<int> playAt = {0};
  bool realtime = false;
  bool progress = true;  // a progress bar when stderr is a terminal
  std::string label;     // a caption burned into the output frames (not seen by the plug-in)
};

struct RenderResult {
  int frames = 0;
  int failedFrames = 0;  // frames whose EffectOut / CompositionOut returned 0
};

// The virtual clock's start; never 0, which the plug-ins take as "no reading yet".
constexpr std::uint32_t kVirtualClockStart = 1000;

// Time of frame i on the virtual clock: t0 + round(i * 1000 / fps).
std::uint32_t FrameTime(int frame, double fps);

// Throws std::runtime_error with one clear line on any failure.
RenderResult Render(const RenderOptions& options);

// The render into an output that is already open (not finished here), counting frames
// on `progress` from `progressBase` on. Used to put several plug-ins into one video.
RenderResult RenderInto(const RenderOptions& options, FrameSink& output, Progress& progress,
                        int progressBase = 0);

// Command-line parsing of the render options (after the plug-in name). Throws
// std::invalid_argument with a message naming the bad option.
RenderOptions ParseRenderOptions(const std::vector<std::string>& args);
// A whole decimal number from min to max. Throws std::invalid_argument naming `what`
// and the range.
std::int64_t ParseWholeNumber(const std::string& text, const std::string& what, std::int64_t min,
                              std::int64_t max);
// "up@10,down@12,200@30"
std::vector<KeyPress> ParseKeys(const std::string& list);
std::vector<int> ParseFrameList(const std::string& list);

}  // namespace lw::host

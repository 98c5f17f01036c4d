// What the tests share: the built plug-ins, private copies of them (each a separate
// instance when loaded), a host environment, and a scripted run of a plug-in over
// frames on the virtual clock.
#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "lw/host/host_environment.h"
#include "lw/host/plugin_library.h"
#include "lw/host/render.h"

namespace lw::test {

// Deliverables this build made.
std::vector<std::string> BuiltPlugins();
std::filesystem::path PluginPath(const std::string& deliverable);
std::filesystem::path FxhostPath();
// A copy of the plug-in under a new file name: loading it gives a fresh instance with
// its own globals, even when the original is loaded too.
std::filesystem::path PrivateCopy(const std::string& deliverable);
// A fresh folder for one test's files.
std::filesystem::path TempDir();

// fxhost run through the shell with its stdout and stderr collected; `env` goes before
// the command (for instance "DISPLAY=:5").
struct FxhostResult {
  int exitCode = 0;
  std::string output;
};
FxhostResult RunFxhost(const std::string& args, const std::string& env = "");

// Resets the registry and publishes a host in the given mode; installs the virtual
// clock at the render's start.
std::unique_ptr<host::HostEnvironment> FreshHost(DisplayMode mode = DisplayMode::Rgb565);

// A frame of the test pattern (variant 0 or 1) in the given layout.
std::vector<std::uint16_t> PatternFrame(int width, int height, int index, int variant = 0,
                                        DisplayMode layout = DisplayMode::Rgb565);

// Raw frame files as fxhost reads and writes them: 16-bit little-endian pixels, frame
// after frame.
void WriteRaw(const std::filesystem::path& path, const std::vector<std::vector<std::uint16_t>>& frames);
std::vector<std::uint16_t> ReadRaw(const std::filesystem::path& path);

// Drives one loaded plug-in frame by frame the way fxhost render does: play and keys
// before frame i at FrameTime(i), then the frame at FrameTime(i + 1).
class ScriptedRun {
 public:
  ScriptedRun(host::PluginLibrary& plugin, host::HostEnvironment& host, int width = 320,
              int height = 240, double fps = 25);
  // Returns false when CheckDll or CeateDll refused.
  bool Start();
  // One frame; returns the plug-in's result and keeps the output.
  std::int32_t Step(const std::vector<std::uint32_t>& keys = {}, bool play = false);
  void Finish();
  const std::vector<std::uint16_t>& output() const { return output_; }
  int frame() const { return frame_; }

 private:
  host::PluginLibrary& plugin_;
  host::HostSurface surface_;
  host::HostSurface surface2_;
  int width_, height_;
  double fps_;
  int frame_ = 0;
  std::vector<std::uint16_t> output_;
};

}  // namespace lw::test

#include "harness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "lw/clock.h"
#include "lw/faults.h"
#include "lw/host/io.h"
#include "lw/registry.h"

namespace lw::test {

std::vector<std::string> BuiltPlugins() {
  std::vector<std::string> names;
  std::stringstream list(LW_TEST_BUILT_PLUGINS);
  for (std::string name; std::getline(list, name, ',');)
    if (!name.empty()) names.push_back(name);
  return names;
}

std::filesystem::path PluginPath(const std::string& deliverable) {
  return std::filesystem::path(LW_TEST_PLUGIN_DIR) / (deliverable + ".so");
}

std::filesystem::path FxhostPath() { return LW_TEST_FXHOST; }

std::filesystem::path TempDir() {
  static std::atomic<int> counter{0};
  auto dir = std::filesystem::temp_directory_path() /
             ("lwtest-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

FxhostResult RunFxhost(const std::string& args, const std::string& env) {
  const std::string command = env + " " + FxhostPath().string() + " " + args + " 2>&1";
  FxhostResult r;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, "cannot start " + command};
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe)) r.output += buffer;
  const int status = pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

std::filesystem::path PrivateCopy(const std::string& deliverable) {
  auto dir = TempDir();
  auto copy = dir / (deliverable + "-copy.so");
  std::filesystem::copy_file(PluginPath(deliverable), copy);
  return copy;
}

void WriteRaw(const std::filesystem::path& path, const std::vector<std::vector<std::uint16_t>>& frames) {
  std::ofstream out(path, std::ios::binary);
  for (const auto& f : frames)
    for (std::uint16_t p : f) {
      out.put(static_cast<char>(p & 0xFF));
      out.put(static_cast<char>(p >> 8));
    }
}

std::vector<std::uint16_t> ReadRaw(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::uint16_t> out(bytes.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return out;
}

std::unique_ptr<host::HostEnvironment> FreshHost(DisplayMode mode) {
  RegReset();
  ClearFaults();
  SetVirtualClock(host::kVirtualClockStart);
  return std::make_unique<host::HostEnvironment>(mode);
}

std::vector<std::uint16_t> PatternFrame(int width, int height, int index, int variant,
                                        DisplayMode layout) {
  return host::ToFrame(host::TestPattern(width, height, index / 25.0, variant), layout).pixels;
}

ScriptedRun::ScriptedRun(host::PluginLibrary& plugin, host::HostEnvironment& host, int width,
                         int height, double fps)
    : plugin_(plugin),
      surface_(host.directDraw(), width, height),
      surface2_(host.directDraw(), width, height),
      width_(width),
      height_(height),
      fps_(fps) {}

bool ScriptedRun::Start() {
  return plugin_.calls().CheckDll() == 1 && plugin_.calls().CeateDll(0, 0) == 1;
}

std::int32_t ScriptedRun::Step(const std::vector<std::uint32_t>& keys, bool play) {
  const auto& call = plugin_.calls();
  SetVirtualClock(host::FrameTime(frame_, fps_));
  if (play) call.StreamOutPlay();
  for (auto key : keys) call.OnKeyTrigered(key);
  SetVirtualClock(host::FrameTime(frame_ + 1, fps_));
  surface_.Write(PatternFrame(width_, height_, frame_, 0, DisplayMode::Rgb565).data());
  std::int32_t result;
  if (plugin_.IsComposition()) {
    surface2_.Write(PatternFrame(width_, height_, frame_, 1, DisplayMode::Rgb565).data());
    result = call.CompositionOut(surface_.get(), surface2_.get());
  } else {
    result = call.EffectOut(surface_.get());
  }
  output_.resize(static_cast<std::size_t>(width_) * height_);
  surface_.Read(output_.data());
  ++frame_;
  return result;
}

void ScriptedRun::Finish() { plugin_.calls().ReleaseDll(); }

}  // namespace lw::test

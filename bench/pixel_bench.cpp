// The pixel plug-ins' EffectOut / CompositionOut, each loaded from its built library
// and run on a host surface, against a cold memcpy of one frame of the same size: the
// source frames rotate through a buffer larger than the last-level cache, so every copy
// reads from memory. Counters:
//   x_cold_memcpy   the effect's time over that memcpy's (the targets: at most 3, and
//                   at most 5 for feedback, at 320x240)
//   ns_per_pixel    to see the cost grow linearly with the frame
//   cold_memcpy_us  the reference itself
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "effects/pixel/feedback.h"
#include "harness.h"
#include "lw/clock.h"
#include "lw/host/host_environment.h"
#include "lw/host/plugin_library.h"

namespace {

// CPU time of this thread: the machine is shared, and time spent descheduled is not the
// code's.
double ThreadNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

constexpr std::size_t kMiB = std::size_t{1} << 20;

// Twice the last-level cache the machine reports, at least 256 MiB, at most 2 GiB.
std::size_t RotationBytes() {
  const long reported = sysconf(_SC_LEVEL3_CACHE_SIZE);
  const std::size_t llc = reported > 0 ? static_cast<std::size_t>(reported) : 64 * kMiB;
  return std::clamp(2 * llc, 256 * kMiB, 2048 * kMiB);
}

// Frames laid one after another in a buffer larger than the cache, handed out in turn.
class ColdFrames {
 public:
  explicit ColdFrames(std::size_t frameBytes)
      : frameBytes_(frameBytes),
        count_(std::max<std::size_t>(RotationBytes() / frameBytes, 2)),
        buffer_(count_ * frameBytes, 0x5A) {}
  const std::uint8_t* Next() {
    const std::uint8_t* frame = buffer_.data() + next_ * frameBytes_;
    next_ = (next_ + 1) % count_;
    return frame;
  }
  std::size_t count() const { return count_; }

 private:
  std::size_t frameBytes_, count_, next_ = 0;
  std::vector<std::uint8_t> buffer_;
};

std::size_t FrameBytes(int width, int height) {
  return std::size_t{2} * width * height;
}

// The reference: nanoseconds for one cold copy of a width x height 16-bit frame, the
// median of three passes over the whole rotation. Measured once per size.
double ColdMemcpyNs(int width, int height) {
  static std::map<std::pair<int, int>, double> measured;
  const auto key = std::make_pair(width, height);
  if (auto it = measured.find(key); it != measured.end()) return it->second;
  const std::size_t bytes = FrameBytes(width, height);
  ColdFrames frames(bytes);
  std::vector<std::uint8_t> target(bytes);
  for (std::size_t i = 0; i < frames.count(); ++i)
    frames.Next();  // the last frames leave the cache
  std::vector<double> passes;
  for (int pass = 0; pass < 3; ++pass) {
    const double start = ThreadNs();
    for (std::size_t i = 0; i < frames.count(); ++i) {
      std::memcpy(target.data(), frames.Next(), bytes);
      benchmark::ClobberMemory();
    }
    passes.push_back((ThreadNs() - start) / static_cast<double>(frames.count()));
  }
  std::sort(passes.begin(), passes.end());
  return measured[key] = passes[1];
}

void BM_ColdMemcpy(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const std::size_t bytes = FrameBytes(width, height);
  ColdFrames frames(bytes);
  std::vector<std::uint8_t> target(bytes);
  for (auto _ : state) {
    std::memcpy(target.data(), frames.Next(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.counters["cold_memcpy_us"] = ColdMemcpyNs(width, height) / 1000;
}

// One plug-in, created and started as a host would, run frame after frame on the same
// surfaces with the virtual clock 40 ms further on for each frame.
void BM_Plugin(benchmark::State& state, const std::string& deliverable, int width, int height) {
  auto host = lw::test::FreshHost();
  lw::host::PluginLibrary plugin(lw::test::PluginPath(deliverable));
  const auto& call = plugin.calls();
  if (call.CheckDll() != 1 || call.CeateDll(0, 0) != 1) {
    state.SkipWithError("the plug-in did not start");
    return;
  }
  call.StreamOutPlay();
  lw::host::HostSurface first(host->directDraw(), width, height),
      second(host->directDraw(), width, height);
  first.Write(lw::test::PatternFrame(width, height, 0, 0).data());
  second.Write(lw::test::PatternFrame(width, height, 0, 1).data());
  const bool composition = plugin.IsComposition();
  std::int64_t produced = 0;

  const double start = ThreadNs();
  for (auto _ : state) {
    lw::AdvanceVirtualClock(40);
    produced +=
        composition ? call.CompositionOut(first.get(), second.get()) : call.EffectOut(first.get());
  }
  const double ns = (ThreadNs() - start) / static_cast<double>(state.iterations());
  call.ReleaseDll();
  if (produced != static_cast<std::int64_t>(state.iterations()))
    state.SkipWithError("a frame failed");

  const double memcpyNs = ColdMemcpyNs(width, height);
  state.counters["x_cold_memcpy"] = ns / memcpyNs;
  state.counters["ns_per_pixel"] = ns / (static_cast<double>(width) * height);
  state.counters["cold_memcpy_us"] = memcpyNs / 1000;
}

// Feedback's blend alone, on 320x240 frames in the cache: what of feedback's EffectOut
// is arithmetic rather than locking and the copy onto the host surface.
void BM_FeedbackBlend(benchmark::State& state, lw::effects::FeedbackBlendKernel blend) {
  const auto source = lw::test::PatternFrame(320, 240, 0, 0);
  auto work = lw::test::PatternFrame(320, 240, 0, 1);
  const std::size_t groups = lw::effects::FeedbackGroups(320, 240);
  const double start = ThreadNs();
  for (auto _ : state) {
    blend(source.data(), work.data(), groups, lw::plugin::PixelLayout::Rgb565);
    benchmark::ClobberMemory();
  }
  const double ns = (ThreadNs() - start) / static_cast<double>(state.iterations());
  state.counters["x_cold_memcpy"] = ns / ColdMemcpyNs(320, 240);
}

void RegisterAll() {
  struct Size {
    int width, height;
  };
  const Size host{320, 240};
  const Size large[] = {{1920, 1080}, {3840, 2160}};
  auto name = [](const std::string& what, Size s) {
    return what + "/" + std::to_string(s.width) + "x" + std::to_string(s.height);
  };
  for (Size s : {host, large[0], large[1]})
    benchmark::RegisterBenchmark(name("ColdMemcpy", s).c_str(), BM_ColdMemcpy)
        ->Args({s.width, s.height});
  for (const char* deliverable : {"mosaic", "feedback", "v_slide", "h_slide", "v_wrapped_slide",
                                  "h_wrapped_slide", "interlaced_composition"})
    benchmark::RegisterBenchmark(name(deliverable, host).c_str(), BM_Plugin,
                                 std::string(deliverable), host.width, host.height);
  for (const auto& kernel : lw::effects::FeedbackKernels())
    benchmark::RegisterBenchmark(name(std::string("FeedbackBlend/") + kernel.name, host).c_str(),
                                 BM_FeedbackBlend, kernel.blend);
  // The effects that work on a host surface of any size, to show the cost linear in pixels.
  for (const char* deliverable : {"mosaic", "v_slide", "h_slide", "interlaced_composition"})
    for (Size s : large)
      benchmark::RegisterBenchmark(name(deliverable, s).c_str(), BM_Plugin,
                                   std::string(deliverable), s.width, s.height);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

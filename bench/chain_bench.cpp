// All fifteen plug-ins loaded into one process, as a host mixing them would: every
// frame goes through each plug-in in turn (the composition with a second source), on
// 320 by 240 surfaces with the virtual clock 40 ms further on each frame. Reports the
// time of one frame through the whole chain. Run with LP_NUM_THREADS=0 (set here when
// absent) for steady numbers.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "harness.h"
#include "lw/platform.h"

namespace lw::test {
namespace {

void BM_AllPluginsOnOneFrame(benchmark::State& state) {
  auto host = FreshHost();
  std::vector<std::unique_ptr<host::PluginLibrary>> plugins;
  for (const auto& name : BuiltPlugins()) {
    plugins.push_back(std::make_unique<host::PluginLibrary>(PluginPath(name)));
    const auto& c = plugins.back()->calls();
    if (c.CheckDll() != 1 || c.CeateDll(0, 0) != 1) {
      state.SkipWithError(("cannot start " + name).c_str());
      return;
    }
    c.StreamOutPlay();
  }
  host::HostSurface frame(host->directDraw(), 320, 240), second(host->directDraw(), 320, 240);
  const auto input = PatternFrame(320, 240, 0, 0), input2 = PatternFrame(320, 240, 0, 1);
  frame.Write(input.data());
  second.Write(input2.data());
  std::int64_t produced = 0;
  for (auto _ : state) {
    AdvanceVirtualClock(40);
    for (const auto& p : plugins) {
      const auto& c = p->calls();
      produced += p->IsComposition() ? c.CompositionOut(frame.get(), second.get())
                                     : c.EffectOut(frame.get());
    }
  }
  for (const auto& p : plugins) p->calls().ReleaseDll();
  state.counters["plugins"] = static_cast<double>(plugins.size());
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  if (produced != static_cast<std::int64_t>(state.iterations() * plugins.size()))
    state.SkipWithError("a plug-in did not produce its frame");
}
BENCHMARK(BM_AllPluginsOnOneFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace lw::test

int main(int argc, char** argv) {
  setenv("LP_NUM_THREADS", "0", 0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

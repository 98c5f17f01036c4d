// Soak runs: CeateDll / ReleaseDll cycles of every built plug-in with no growth in heap,
// surfaces or open registry keys; a long run of frames through a pixel effect; and all
// plug-ins loaded in one process, driven in turn from two threads.
//
//   soak [--pixel-cycles N] [--gl-cycles N] [--frames N] [--thread-steps N]
//
// Prints its figures and exits non-zero when anything grew or a call failed.
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "harness.h"
#include "lw/gdi.h"
#include "lw/glcontext.h"
#include "lw/platform.h"
#include "lw/plugin/identity.h"

namespace {

using lw::host::PluginLibrary;

struct Settings {
  long pixelCycles = 100'000;
  long glCycles = 10'000;
  long frames = 1'000'000;
  long threadSteps = 20'000;
};

std::size_t HeapInUse() { return mallinfo2().uordblks; }

bool IsGl(const std::string& name) {
  const auto* id = lw::plugin::FindIdentity(name);
  return id != nullptr && id->family == lw::plugin::Family::Gl;
}

int failures = 0;

void Fail(const std::string& what) {
  std::printf("FAIL: %s\n", what.c_str());
  ++failures;
}

// Create / release cycles with a frame now and then; heap, surfaces and open keys are
// measured after a warm-up and again at the end.
void Cycles(const std::string& name, long cycles) {
  auto host = lw::test::FreshHost();
  PluginLibrary lib(lw::test::PluginPath(name));
  const auto& c = lib.calls();
  lw::host::HostSurface a(host->directDraw(), 320, 240), b(host->directDraw(), 320, 240);
  auto cycle = [&](long i) {
    if (c.CheckDll() != 1 || c.CeateDll(0, 0) != 1) Fail(name + ": CheckDll/CeateDll refused");
    c.StreamOutPlay();
    if (i % 16 == 0) {
      lw::AdvanceVirtualClock(40);
      c.OnKeyTrigered(i % 32 ? 200 : 208);
      lib.IsComposition() ? c.CompositionOut(a.get(), b.get()) : c.EffectOut(a.get());
    }
    c.ReleaseDll();
  };
  const long warmup = std::min(cycles / 10 + 1, 200L);
  for (long i = 0; i < warmup; ++i) cycle(i);
  const std::size_t heap = HeapInUse(), surfaces = lw::LiveSurfaceCount(),
                    keys = lw::RegOpenKeyCount(), contexts = lw::LiveGLContextCount(),
                    dcs = lw::LiveDeviceContextCount(), bitmaps = lw::LiveBitmapCount();
  for (long i = warmup; i < cycles; ++i) cycle(i);
  const long grown = static_cast<long>(HeapInUse()) - static_cast<long>(heap);
  std::printf("%-24s %8ld cycles  heap %+7ld bytes  surfaces %zu -> %zu  GL contexts %zu -> %zu"
              "  DCs %zu -> %zu  bitmaps %zu -> %zu  open keys %zu -> %zu\n",
              name.c_str(), cycles, grown, surfaces, lw::LiveSurfaceCount(), contexts,
              lw::LiveGLContextCount(), dcs, lw::LiveDeviceContextCount(), bitmaps,
              lw::LiveBitmapCount(), keys, lw::RegOpenKeyCount());
  // Mesa keeps caches that settle after the warm-up; real leaks grow with the count.
  if (grown > 256 * 1024) Fail(name + ": heap grew");
  if (lw::LiveSurfaceCount() != surfaces) Fail(name + ": surfaces leaked");
  if (lw::LiveGLContextCount() != contexts) Fail(name + ": GL contexts leaked");
  if (lw::LiveDeviceContextCount() != dcs) Fail(name + ": device contexts leaked");
  if (lw::LiveBitmapCount() != bitmaps) Fail(name + ": bitmaps leaked");
  if (lw::RegOpenKeyCount() != keys) Fail(name + ": registry keys left open");
}

void LongRun(const std::string& name, long frames) {
  auto host = lw::test::FreshHost();
  PluginLibrary lib(lw::test::PluginPath(name));
  const auto& c = lib.calls();
  lw::host::HostSurface a(host->directDraw(), 320, 240);
  const auto pattern = lw::test::PatternFrame(320, 240, 0);
  a.Write(pattern.data());
  if (c.CeateDll(0, 0) != 1) Fail(name + ": CeateDll refused");
  c.StreamOutPlay();
  const std::size_t heap = HeapInUse();
  long produced = 0;
  for (long i = 0; i < frames; ++i) {
    lw::AdvanceVirtualClock(40);
    if (i % 500 == 0) c.OnKeyTrigered(i % 1000 ? 200 : 208);
    produced += c.EffectOut(a.get());
  }
  c.ReleaseDll();
  std::printf("%-24s %8ld frames, %ld produced, heap %+ld bytes\n", name.c_str(), frames, produced,
              static_cast<long>(HeapInUse()) - static_cast<long>(heap));
  if (produced != frames) Fail(name + ": frames not produced");
}

// Every plug-in loaded at once; two threads take turns, so one plug-in's successive
// calls come from different threads, as a host may make them.
void TwoThreads(const std::vector<std::string>& names, long steps) {
  auto host = lw::test::FreshHost();
  std::vector<std::unique_ptr<PluginLibrary>> libs;
  std::vector<std::unique_ptr<lw::test::ScriptedRun>> runs;
  for (const auto& n : names) {
    libs.push_back(std::make_unique<PluginLibrary>(lw::test::PluginPath(n)));
    runs.push_back(std::make_unique<lw::test::ScriptedRun>(*libs.back(), *host));
    if (!runs.back()->Start()) Fail(n + ": would not start");
  }
  std::mutex turn;
  long next = 0, produced = 0;
  auto worker = [&] {
    for (;;) {
      std::lock_guard lock(turn);
      if (next >= steps) return;
      const long i = next++;
      auto& run = *runs[static_cast<std::size_t>(i) % runs.size()];
      produced += run.Step(i % 7 == 0 ? std::vector<std::uint32_t>{200} : std::vector<std::uint32_t>{},
                           i % 97 == 0);
    }
  };
  std::thread t1(worker), t2(worker);
  t1.join();
  t2.join();
  for (auto& r : runs) r->Finish();
  std::printf("two threads: %zu plug-ins, %ld calls, %ld frames produced\n", names.size(), steps,
              produced);
  if (produced != steps) Fail("two threads: frames not produced");
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  for (int i = 1; i + 1 < argc; i += 2) {
    const long v = std::stol(argv[i + 1]);
    if (!std::strcmp(argv[i], "--pixel-cycles")) s.pixelCycles = v;
    else if (!std::strcmp(argv[i], "--gl-cycles")) s.glCycles = v;
    else if (!std::strcmp(argv[i], "--frames")) s.frames = v;
    else if (!std::strcmp(argv[i], "--thread-steps")) s.threadSteps = v;
    else {
      std::fprintf(stderr, "soak: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  const auto names = lw::test::BuiltPlugins();
  for (const auto& n : names) Cycles(n, IsGl(n) ? s.glCycles : s.pixelCycles);
  for (const char* n : {"mosaic", "feedback"})
    if (std::find(names.begin(), names.end(), n) != names.end()) LongRun(n, s.frames);
  TwoThreads(names, s.threadSteps);
  std::printf("%s: %d failure(s)\n", failures ? "FAILED" : "passed", failures);
  return failures ? 1 : 0;
}

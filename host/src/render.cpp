#include "lw/host/render.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "lw/clock.h"
#include "lw/host/host_environment.h"
#include "lw/host/io.h"
#include "lw/host/plugin_library.h"
#include "lw/host/progress.h"
#include "caption.h"

namespace lw::host {

std::uint32_t FrameTime(int frame, double fps) {
  return kVirtualClockStart + static_cast<std::uint32_t>(std::llround(frame * 1000.0 / fps));
}

namespace {

std::string EventName(std::uint32_t code) {
  return code == 200 ? "up" : code == 208 ? "down" : "key " + std::to_string(code);
}

}  // namespace

RenderResult Render(const RenderOptions& o) {
  FindPlugin(o.plugin);  // an unknown plug-in fails before any output is opened
  StreamFormat format{o.width, o.height, o.layout, o.fps};
  auto output = OpenSink(o.output, format);
  Progress progress(o.frames, o.progress);
  RenderResult result = RenderInto(o, *output, progress);
  output->Finish();
  progress.Done();
  return result;
}

RenderResult RenderInto(const RenderOptions& o, FrameSink& output, Progress& progress,
                        int progressBase) {
  PluginLibrary plugin(FindPlugin(o.plugin));
  const EntryPoints& call = plugin.calls();
  const bool composition = plugin.IsComposition();

  StreamFormat format{o.width, o.height, o.layout, o.fps};
  auto input = OpenSource(o.input, format, 0);
  std::unique_ptr<FrameSource> input2;
  if (composition) input2 = OpenSource(o.input2.empty() ? "testsrc" : o.input2, format, 1);

  HostEnvironment host(o.layout);
  HostSurface surface(host.directDraw(), o.width, o.height);
  std::unique_ptr<HostSurface> surface2;
  if (composition) surface2 = std::make_unique<HostSurface>(host.directDraw(), o.width, o.height);

  if (o.realtime)
    UseMonotonicClock();
  else
    SetVirtualClock(kVirtualClockStart);

  // Identification, then the checks the host makes before the first frame.
  call.GetPluginType();
  call.GetPluginVersion();
  call.GetCapabilitySurfaceSize();
  const std::string name = plugin.Name();
  if (call.CheckDll() != 1) throw std::runtime_error(name + ": CheckDll reported that it cannot run here");
  if (call.CeateDll(0, 0) != 1) throw std::runtime_error(name + ": CeateDll failed");

  std::unique_ptr<Caption> caption;
  RenderResult result;
  Frame frame{o.width, o.height, {}}, frame2{o.width, o.height, {}};
  const auto wallStart = std::chrono::steady_clock::now();
  try {
    if (!o.label.empty()) caption = std::make_unique<Caption>(o.label, o.height, o.fps);
    for (int i = 0; i < o.frames; ++i) {
      if (o.realtime) {
        std::this_thread::sleep_until(wallStart + std::chrono::microseconds(
                                                      std::llround(i * 1e6 / o.fps)));
      } else {
        SetVirtualClock(FrameTime(i, o.fps));
      }
      for (int at : o.playAt)
        if (at == i) {
          call.StreamOutPlay();
          if (caption && i > 0) caption->Event(i, "play");
        }
      for (const KeyPress& key : o.keys)
        if (key.frame == i) {
          call.OnKeyTrigered(key.code);
          if (caption) caption->Event(i, EventName(key.code));
        }
      if (!o.realtime) SetVirtualClock(FrameTime(i + 1, o.fps));

      input->Next(frame);
      surface.Write(frame.pixels.data());
      std::int32_t produced;
      if (composition) {
        input2->Next(frame2);
        surface2->Write(frame2.pixels.data());
        produced = call.CompositionOut(surface.get(), surface2->get());
      } else {
        produced = call.EffectOut(surface.get());
      }
      if (produced == 0) ++result.failedFrames;
      surface.Read(frame.pixels.data());
      if (caption) caption->Burn(frame, o.layout, i);
      output.Write(frame);
      ++result.frames;
      progress.Update(progressBase + i + 1);
    }
  } catch (...) {
    call.ReleaseDll();
    throw;
  }
  call.ReleaseDll();
  return result;
}

}  // namespace lw::host

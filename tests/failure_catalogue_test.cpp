// The failure catalogue: every way the environment or the host can let a plug-in down,
// injected into a fresh instance of every built plug-in the failure concerns, with the
// outcome each family owes: the codes its entry points return, what the host's
// surfaces hold afterwards, and nothing left behind once ReleaseDll has run.
//
// One table per subject (host objects in the registry, creation, frames, calling
// order); one row per failure path. A row names the plug-ins it applies to, arranges
// the broken environment, acts as the host would, and states what is expected. Rows
// apply to plug-ins by family, so plug-ins added later are covered without a new row.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "harness.h"
#include "lw/gl/renderer.h"
#include "lw/platform.h"
#include "lw/plugin/host_objects.h"
#include "lw/plugin/identity.h"

namespace lw::test {
namespace {

using host::HostSurface;
using plugin::kDDKey;
using plugin::kScreen2Key;
using Pixels = std::vector<std::uint16_t>;

// --- Which plug-ins a row concerns ---

enum Group : unsigned {
  kGlFromHost = 1,    // OpenGL plug-ins that render from the locked host surface
  kGlSmall = 2,       // OpenGL plug-ins that render from their SmallSurface
  kWorkSurface = 4,   // pixel plug-ins that build their output in a WorkSurface
  kLockOnly = 8,      // pixel effects that only lock the host surface
  kComposition = 16,  // the composition: two host surfaces, no registry
  kGl = kGlFromHost | kGlSmall,
  kPixelEffect = kWorkSurface | kLockOnly,
  kRegistryFree = kLockOnly | kComposition,
  kAll = kGl | kPixelEffect | kComposition,
};

// The pixel plug-ins that keep a WorkSurface made from the host's DirectDraw object; the
// other pixel plug-ins read no registry value and make no surface.
const std::set<std::string> kWorkSurfacePlugins = {"feedback", "v_wrapped_slide",
                                                   "h_wrapped_slide"};

Group GroupOf(const std::string& deliverable) {
  const plugin::PluginIdentity* id = plugin::FindIdentity(deliverable);
  if (id->family == plugin::Family::Gl)
    return gl::FindRendererSettings(deliverable)->smallMode ? kGlSmall : kGlFromHost;
  if (id->type == plugin::PluginType::Composition) return kComposition;
  return kWorkSurfacePlugins.count(deliverable) ? kWorkSurface : kLockOnly;
}

// --- A fresh instance on a freshly published host ---

struct Size {
  std::uint32_t width = 320, height = 240;
};
// The host surfaces of the frame a row looks at (the composition's second surface is
// used by the composition only).
struct Geometry {
  Size first, second;
};

// A row's frame on one host surface of the given size.
Geometry Sized(std::uint32_t width, std::uint32_t height) {
  return {{width, height}, {}};
}

constexpr std::int32_t kNotCalled = -1;

// Pixels no plug-in output resembles by chance: a different pseudo-random frame for
// every seed, so any change a plug-in makes shows.
Pixels Noise(Size size, std::uint32_t seed) {
  Pixels f(std::size_t{size.width} * size.height);
  std::uint32_t x = seed * 2654435761u;
  for (auto& p : f) {
    x = x * 1664525u + 1013904223u;
    p = static_cast<std::uint16_t>(x >> 16);
  }
  return f;
}

Pixels ReadPixels(const HostSurface& s) {
  Pixels out(std::size_t{s.width()} * s.height());
  s.Read(out.data());
  return out;
}

// Injected failures: `count` operations of `kind` fail after `skip` good ones.
struct Strike {
  Fault kind;
  int count = 1;
  int skip = 0;
};

// Everything a plug-in can hold on to between calls.
struct Held {
  std::size_t surfaces, glContexts, bitmaps, deviceContexts, openKeys;
  static Held Now() {
    return {LiveSurfaceCount(), LiveGLContextCount(), LiveBitmapCount(), LiveDeviceContextCount(),
            RegOpenKeyCount()};
  }
  bool operator==(const Held&) const = default;
  friend std::ostream& operator<<(std::ostream& o, const Held& h) {
    return o << h.surfaces << " surfaces, " << h.glContexts << " GL contexts, " << h.bitmaps
             << " bitmaps, " << h.deviceContexts << " device contexts, " << h.openKeys
             << " open registry keys";
  }
};

// One loaded private copy of a plug-in, driven as the host drives it, on the virtual
// clock: play at kPlayTime, then a frame every 40 ms. Every call keeps its result;
// every frame is made on fresh noise and its output is read back.
class PluginRun {
 public:
  static constexpr std::uint32_t kPlayTime = 10000;
  static constexpr std::uint32_t kFrameInterval = 40;

  PluginRun(const std::string& deliverable, Geometry g = {})
      : deliverable_(deliverable),
        host_(FreshHost()),
        copy_(PrivateCopy(deliverable)),
        lib_(std::make_unique<host::PluginLibrary>(copy_)),
        first_(host_->directDraw(), g.first.width, g.first.height),
        second_(host_->directDraw(), g.second.width, g.second.height),
        fullFirst_(host_->directDraw(), 320, 240),
        fullSecond_(host_->directDraw(), 320, 240) {}
  ~PluginRun() {
    ClearFaults();
    lib_->calls().ReleaseDll();
    lib_.reset();
    std::filesystem::remove_all(copy_.parent_path());
  }

  // The entry points.
  void Check() {
    check_ = Call("CheckDll", [&] { return calls().CheckDll(); });
  }
  void Create() {
    create_ = Call("CeateDll", [&] { return calls().CeateDll(0, 0); });
  }
  void Release() {
    Call("ReleaseDll", [&] { return calls().ReleaseDll(); });
  }
  void Play() {
    SetVirtualClock(kPlayTime);
    frames_ = 0;
    Call("StreamOutPlay", [&] { return calls().StreamOutPlay(); });
  }
  void Key(std::uint32_t code) {
    Call("OnKeyTrigered", [&] { return calls().OnKeyTrigered(code); });
  }
  // One frame on the row's surfaces.
  void Frame() { FrameOn(first_, &second_); }
  // The composition handed one surface as both of its sources.
  void FrameOnOneSurface() { FrameOn(first_, &first_); }
  // CeateDll, play and one frame on 320 by 240 surfaces: the picture a failing frame
  // shows again.
  void Start() {
    Create();
    Play();
    FrameOn(fullFirst_, &fullSecond_);
    previous_ = output_;
  }

  // The strike happens within the next call, which must reach it.
  void Inject(Strike strike) { armed_.push_back(strike); }

  const std::string& deliverable() const { return deliverable_; }
  bool composition() const { return GroupOf(deliverable_) == kComposition; }
  std::int32_t check() const { return check_; }
  std::int32_t create() const { return create_; }
  std::int32_t frame() const { return frame_; }
  const Pixels& input() const { return input_; }
  const Pixels& output() const { return output_; }
  Size outputSize() const { return outputSize_; }
  const Pixels& previous() const { return previous_; }
  const Pixels& secondInput() const { return secondInput_; }
  const Pixels& secondOutput() const { return secondOutput_; }

 private:
  const host::EntryPoints& calls() const { return lib_->calls(); }

  template <class F>
  std::int32_t Call(const char* what, F call) {
    for (const Strike& a : armed_) InjectFault(a.kind, a.count, a.skip);
    const std::int32_t result = call();
    for (const Strike& a : armed_)
      EXPECT_EQ(FaultsPending(a.kind), 0) << "the fault injected into " << what << " was reached";
    ClearFaults();
    armed_.clear();
    return result;
  }

  void FrameOn(HostSurface& first, HostSurface* second) {
    ++frames_;
    SetVirtualClock(kPlayTime + kFrameInterval * frames_);
    input_ = Noise({first.width(), first.height()}, frames_);
    first.Write(input_.data());
    const bool separateSecond = second != &first;
    if (separateSecond) {
      secondInput_ = Noise({second->width(), second->height()}, 1000 + frames_);
      second->Write(secondInput_.data());
    }
    frame_ = Call("the frame", [&] {
      return composition() ? calls().CompositionOut(first.get(), second->get())
                           : calls().EffectOut(first.get());
    });
    output_ = ReadPixels(first);
    outputSize_ = {first.width(), first.height()};
    secondOutput_ = separateSecond ? ReadPixels(*second) : secondInput_;
  }

  std::string deliverable_;
  std::unique_ptr<host::HostEnvironment> host_;
  std::filesystem::path copy_;
  std::unique_ptr<host::PluginLibrary> lib_;
  HostSurface first_, second_, fullFirst_, fullSecond_;
  std::vector<Strike> armed_;
  std::uint32_t frames_ = 0;
  std::int32_t check_ = kNotCalled, create_ = kNotCalled, frame_ = kNotCalled;
  Pixels input_, output_, previous_, secondInput_, secondOutput_;
  Size outputSize_;
};

// --- Rows ---

// What the host surface holds after the row's last frame.
enum class Picture {
  Untouched,            // every pixel as the host wrote it
  PreviousBitmap,       // the picture of the frame before, copied at (0, 0) as far as it reaches
  PreviousWorkSurface,  // the output of the frame before, stretched over the whole surface
  Black,                // every pixel 0
  Notice,               // the failure notice at the top-left corner, the rest untouched
  AsUnbroken,           // what a fresh instance on an unbroken host makes of the same frame
};

struct Expected {
  std::int32_t check = kNotCalled;  // results of the row's last call of each entry point
  std::int32_t create = kNotCalled;
  std::int32_t frame = kNotCalled;
  Picture picture = Picture::Untouched;
  std::int32_t nextFrame = kNotCalled;  // a further frame with nothing broken
  bool noCreateSurfaceCall = false;
  const char* keyLeftEmpty = nullptr;   // a key the plug-in created and left without values
  const char* keyLeftAbsent = nullptr;  // a key the plug-in never touched
};

using Act = std::function<void(PluginRun&)>;

struct Row {
  const char* name;
  unsigned groups;
  Act arrange;  // breaks the environment before the first call
  Act act;      // the host's calls
  Expected expected;
  std::vector<Geometry> geometries = {Geometry{}};
};

// --- Arranging a broken environment ---

void DeleteDDKey(PluginRun&) {
  RegDeleteKey(kDDKey);
}
void DeleteScreen2Key(PluginRun&) {
  RegDeleteKey(kScreen2Key);
}
void DeleteWindowScreen(PluginRun&) {
  RegDeleteValue(kScreen2Key, "WindowScreen");
}
void ZeroWindowScreen(PluginRun&) {
  RegSetDword(kScreen2Key, "WindowScreen", 0);
}
void DeleteScreenDD2(PluginRun&) {
  RegDeleteValue(kDDKey, "ScreenDD2");
}
void DeleteDirectDrawValues(PluginRun&) {
  RegDeleteValue(kDDKey, "ScreenDD2");
  RegDeleteValue(kDDKey, "CommandDD2");
}
void ZeroDirectDrawValues(PluginRun&) {
  RegSetDword(kDDKey, "ScreenDD2", 0);
  RegSetDword(kDDKey, "CommandDD2", 0);
}
// ScreenDD2 holds a handle that named a DirectDraw object once and names nothing now.
void StaleScreenDD2(PluginRun&) {
  DirectDraw* dd = nullptr;
  CreateDirectDraw(DisplayMode::Rgb565, &dd);
  const std::uint32_t handle = HandleOf(dd);
  Release(dd);
  RegSetDword(kDDKey, "ScreenDD2", handle);
}

// --- The host's calls ---

// Play, then two frames: the second shows the effect at work even where the first
// after play is a plain copy (the slides).
void PlayTwoFrames(PluginRun& r) {
  r.Play();
  r.Frame();
  r.Frame();
}
void CheckCreateFrame(PluginRun& r) {
  r.Check();
  r.Create();
  r.Frame();
}
void CheckCreatePlayTwoFrames(PluginRun& r) {
  r.Check();
  r.Create();
  PlayTwoFrames(r);
}
// CheckDll creates a missing key; it is gone again when CeateDll looks for it.
Act CheckThenCreateWithout(const char* key) {
  return [key](PluginRun& r) {
    r.Check();
    RegDeleteKey(key);
    r.Create();
    r.Frame();
  };
}
// The six reads of the DD key's values fail in CeateDll.
constexpr Strike kDirectDrawReadsFail{.kind = Fault::RegistryRead, .count = 6};
void CreateWithUnreadableDirectDraw(PluginRun& r) {
  r.Inject(kDirectDrawReadsFail);
  r.Create();
  r.Frame();
}
void CheckThenCreateWithUnreadableDirectDraw(PluginRun& r) {
  r.Check();
  r.Inject(kDirectDrawReadsFail);
  r.Create();
  PlayTwoFrames(r);
}
// The read of WindowScreen, after the six of the DD key, fails in both calls.
void WindowScreenUnreadable(PluginRun& r) {
  r.Inject({.kind = Fault::RegistryRead, .skip = 6});
  r.Check();
  r.Inject({.kind = Fault::RegistryRead, .skip = 6});
  r.Create();
  r.Frame();
}
// A created and released instance whose host then removes the DD key.
void CreateAgainWithoutDDKey(PluginRun& r) {
  r.Create();
  r.Release();
  RegDeleteKey(kDDKey);
  r.Create();
  PlayTwoFrames(r);
}
// The strike hits CeateDll.
Act CreateFailsWith(Strike strike) {
  return [strike](PluginRun& r) {
    r.Check();
    r.Inject(strike);
    r.Create();
    r.Frame();
  };
}
// A renderer that cannot be set up; keys and play then find no scene.
Act RendererFailsWith(Fault fault) {
  return [fault](PluginRun& r) {
    r.Check();
    r.Inject({fault});
    r.Create();
    r.Key(200);
    r.Play();
    r.Frame();
  };
}
void NoticeWithoutHostDeviceContext(PluginRun& r) {
  r.Inject({Fault::CreateContext});
  r.Create();
  r.Inject({Fault::GetDC});
  r.Frame();
}
// A good frame, then one the strike hits.
Act FrameFailsWith(Strike strike) {
  return [strike](PluginRun& r) {
    r.Start();
    r.Inject(strike);
    r.Frame();
  };
}
void FirstFrameLockFails(PluginRun& r) {
  r.Create();
  r.Play();
  r.Inject({Fault::Lock});
  r.Frame();
}
// A good frame on 320 by 240 surfaces, then one on the row's surfaces.
void StartThenFrame(PluginRun& r) {
  r.Start();
  r.Frame();
}
void StartThenFrameOnOneSurface(PluginRun& r) {
  r.Start();
  r.FrameOnOneSurface();
}
void FrameBeforeCeateDll(PluginRun& r) {
  r.Play();
  r.Key(200);
  r.Frame();
}
void FrameAfterReleaseDll(PluginRun& r) {
  r.Start();
  r.Release();
  r.Play();
  r.Key(208);
  r.Frame();
}
void CeateDllTwice(PluginRun& r) {
  r.Create();
  r.Create();
  PlayTwoFrames(r);
}

// --- Outcomes several rows share ---

const Expected kCheckAndCreationRefused{
    .check = 0, .create = 0, .frame = 0, .noCreateSurfaceCall = true};
const Expected kRefused{.check = 1, .create = 0, .frame = 0, .noCreateSurfaceCall = true};
const Expected kRunsAsUnbroken{
    .check = 1, .create = 1, .frame = 1, .picture = Picture::AsUnbroken, .nextFrame = 1};
const Expected kNotice{
    .check = 1, .create = 1, .frame = 0, .picture = Picture::Notice, .nextFrame = 0};
// The key was missing when the plug-in looked for it: it is created, left empty, and
// CeateDll refuses without trying to make a surface.
Expected RefusedLeavingEmpty(std::int32_t check, const char* key) {
  return {
      .check = check, .create = 0, .frame = 0, .noCreateSurfaceCall = true, .keyLeftEmpty = key};
}
// The plug-in has no use for the key: it runs as usual and never creates it.
Expected UnbrokenLeavingAbsent(const char* key) {
  return {
      .check = 1, .create = 1, .frame = 1, .picture = Picture::AsUnbroken, .keyLeftAbsent = key};
}
const Expected kZeroUntouched{.frame = 0, .picture = Picture::Untouched};
const Expected kZeroUntouchedThenWorks{.frame = 0, .picture = Picture::Untouched, .nextFrame = 1};
const Expected kOneUntouched{.frame = 1, .picture = Picture::Untouched, .nextFrame = 1};
const Expected kPreviousBitmap{.frame = 1, .picture = Picture::PreviousBitmap, .nextFrame = 1};
const Expected kPreviousWorkSurface{
    .frame = 1, .picture = Picture::PreviousWorkSurface, .nextFrame = 1};

// --- The tables: name, plug-ins, arrange, act, expected (and host surface sizes) ---

const std::vector<Row> kHostObjectRows = {
    {"DDKeyMissing", kGl, DeleteDDKey, CheckThenCreateWithout(kDDKey),
     RefusedLeavingEmpty(0, kDDKey)},
    {"DDKeyMissing", kWorkSurface, DeleteDDKey, CheckCreateFrame, RefusedLeavingEmpty(1, kDDKey)},
    {"DDKeyMissing", kRegistryFree, DeleteDDKey, CheckCreatePlayTwoFrames,
     UnbrokenLeavingAbsent(kDDKey)},
    // The slots keep what an earlier CeateDll read: the pixel plug-ins carry on with
    // them, the OpenGL plug-ins stop at the missing key.
    {"DDKeyGoneAfterAnEarlierRead",
     kGl,
     nullptr,
     CreateAgainWithoutDDKey,
     {.create = 0, .frame = 0, .keyLeftEmpty = kDDKey}},
    {"DDKeyGoneAfterAnEarlierRead",
     kWorkSurface,
     nullptr,
     CreateAgainWithoutDDKey,
     {.create = 1, .frame = 1, .picture = Picture::AsUnbroken, .keyLeftEmpty = kDDKey}},
    {"DDKeyRefused", kGl | kWorkSurface, nullptr, CreateFailsWith({Fault::RegistryOpen}), kRefused},
    {"Screen2KeyMissing", kGl, DeleteScreen2Key, CheckThenCreateWithout(kScreen2Key),
     RefusedLeavingEmpty(0, kScreen2Key)},
    {"Screen2KeyMissing", kWorkSurface, DeleteScreen2Key, CheckCreatePlayTwoFrames,
     UnbrokenLeavingAbsent(kScreen2Key)},
    {"Screen2KeyRefused", kGl, nullptr, CreateFailsWith({.kind = Fault::RegistryOpen, .skip = 1}),
     kRefused},
    // Values that exist but cannot be read leave their slots as they were: zero in a
    // fresh instance, what CheckDll read in an OpenGL plug-in that was checked first.
    {"DirectDrawValuesUnreadable",
     kGl | kWorkSurface,
     nullptr,
     CreateWithUnreadableDirectDraw,
     {.create = 0, .frame = 0, .noCreateSurfaceCall = true}},
    {"DirectDrawValuesUnreadableAfterCheckDll", kGl, nullptr,
     CheckThenCreateWithUnreadableDirectDraw, kRunsAsUnbroken},
    {"WindowScreenUnreadable", kGl, nullptr, WindowScreenUnreadable, kCheckAndCreationRefused},
    {"WindowScreenMissing", kGl, DeleteWindowScreen, CheckCreateFrame, kCheckAndCreationRefused},
    // CheckDll wants the value non-zero; CeateDll only wants it readable.
    {"WindowScreenZero",
     kGl,
     ZeroWindowScreen,
     CheckCreatePlayTwoFrames,
     {.check = 0, .create = 1, .frame = 1, .picture = Picture::AsUnbroken, .nextFrame = 1}},
    {"NeitherDirectDrawValue", kGl | kWorkSurface, DeleteDirectDrawValues, CheckCreateFrame,
     kRefused},
    {"DirectDrawValuesZero", kGl | kWorkSurface, ZeroDirectDrawValues, CheckCreateFrame, kRefused},
    {"OnlyCommandDD2", kGl | kWorkSurface, DeleteScreenDD2, CheckCreatePlayTwoFrames,
     kRunsAsUnbroken},
    // A value that names no live DirectDraw object is refused, never followed.
    {"DirectDrawValueNamesNoObject", kGl | kWorkSurface, StaleScreenDD2, CheckCreateFrame,
     kRefused},
};

const std::vector<Row> kCreationRows = {
    {"CreateSurfaceFails",
     kGl | kWorkSurface,
     nullptr,
     CreateFailsWith({Fault::CreateSurface}),
     {.check = 1, .create = 0, .frame = 0}},
    // The WorkSurface is made, the SmallSurface is not: CeateDll undoes everything.
    {"SmallSurfaceFails",
     kGlSmall,
     nullptr,
     CreateFailsWith({.kind = Fault::CreateSurface, .skip = 1}),
     {.check = 1, .create = 0, .frame = 0}},
    {"NoDeviceContextForTheWorkSurface", kGl, nullptr, RendererFailsWith(Fault::GetDC), kNotice},
    {"NoMemoryDeviceContext", kGl, nullptr, RendererFailsWith(Fault::MemoryDC), kNotice},
    {"NoDibSection", kGl, nullptr, RendererFailsWith(Fault::DibSection), kNotice},
    {"NoPixelFormat", kGl, nullptr, RendererFailsWith(Fault::ChoosePixelFormat), kNotice},
    {"PixelFormatNotSet", kGl, nullptr, RendererFailsWith(Fault::SetPixelFormat), kNotice},
    {"NoRenderingContext", kGl, nullptr, RendererFailsWith(Fault::CreateContext), kNotice},
    {"NoticeWithoutADeviceContextForTheHost",
     kGl,
     nullptr,
     NoticeWithoutHostDeviceContext,
     {.create = 1, .frame = 0, .picture = Picture::Untouched, .nextFrame = 0}},
};

const std::vector<Row> kFrameRows = {
    {"HostLockFails", kGlFromHost, nullptr, FrameFailsWith({Fault::Lock}), kPreviousBitmap},
    {"SmallSurfaceLockFails", kGlSmall, nullptr, FrameFailsWith({Fault::Lock}), kPreviousBitmap},
    // Before any picture was rendered the bitmap holds its initial content, black.
    {"FirstFrameLockFails",
     kGl,
     nullptr,
     FirstFrameLockFails,
     {.frame = 1, .picture = Picture::Black, .nextFrame = 1}},
    {"HostLockFails", kPixelEffect, nullptr, FrameFailsWith({Fault::Lock}),
     kZeroUntouchedThenWorks},
    {"WorkSurfaceLockFails", kWorkSurface, nullptr,
     FrameFailsWith({.kind = Fault::Lock, .skip = 1}), kPreviousWorkSurface},
    {"FirstSurfaceLockFails", kComposition, nullptr, FrameFailsWith({Fault::Lock}),
     kZeroUntouchedThenWorks},
    {"SecondSurfaceLockFails", kComposition, nullptr,
     FrameFailsWith({.kind = Fault::Lock, .skip = 1}), kOneUntouched},
    // One surface handed in as both sources: the second lock is refused.
    {"OneSurfaceAsBoth", kComposition, nullptr, StartThenFrameOnOneSurface, kOneUntouched},
    // This frame's rendering stays in the bitmap; the host's surface is not written.
    {"NoDeviceContextForTheHostSurface", kGl, nullptr, FrameFailsWith({Fault::GetDC}),
     kZeroUntouchedThenWorks},
    // Never read past nor rendered from: the previous picture, as far as the surface reaches.
    {"HostSurfaceOfAnotherSize",
     kGlFromHost,
     nullptr,
     StartThenFrame,
     kPreviousBitmap,
     {Sized(160, 120), Sized(320, 200), Sized(640, 480), Sized(0, 0)}},
    {"HostSurfaceOfAnotherSize",
     kWorkSurface,
     nullptr,
     StartThenFrame,
     kPreviousWorkSurface,
     {Sized(160, 120), Sized(640, 480), Sized(322, 2), Sized(1, 1), Sized(0, 0)}},
    {"SurfacesOfDifferentSizes",
     kComposition,
     nullptr,
     StartThenFrame,
     kOneUntouched,
     {{{320, 240}, {160, 120}},
      {{320, 240}, {320, 239}},
      {{321, 240}, {320, 240}},
      {{8, 8}, {0, 0}},
      {{0, 0}, {8, 8}},
      {{1, 1}, {320, 240}}}},
};

// Calls the host must not make. The plug-ins that would need a creation first return
// 0 and touch nothing.
const std::vector<Row> kCallingOrderRows = {
    {"FrameBeforeCeateDll", kGl | kWorkSurface, nullptr, FrameBeforeCeateDll, kZeroUntouched},
    {"FrameAfterReleaseDll", kGl | kWorkSurface, nullptr, FrameAfterReleaseDll, kZeroUntouched},
    // The second replaces the first without leaking it.
    {"CeateDllTwice",
     kAll,
     nullptr,
     CeateDllTwice,
     {.create = 1, .frame = 1, .picture = Picture::AsUnbroken, .nextFrame = 1}},
};

// --- Checking a row ---

struct Case {
  const Row* row;
  std::string deliverable;
  Geometry geometry;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.row->name << " on " << c.deliverable;
}

std::vector<Case> CasesOf(const std::vector<Row>& table) {
  std::vector<Case> cases;
  for (const Row& row : table)
    for (const std::string& deliverable : BuiltPlugins())
      if (row.groups & GroupOf(deliverable))
        for (const Geometry& g : row.geometries) cases.push_back({&row, deliverable, g});
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  const Case& c = info.param;
  std::string name = std::string(c.row->name) + "_" + c.deliverable;
  const Geometry g = c.geometry;
  const Geometry full;
  if (g.first.width != full.first.width || g.first.height != full.first.height)
    name += "_" + std::to_string(g.first.width) + "x" + std::to_string(g.first.height);
  if (g.second.width != full.second.width || g.second.height != full.second.height)
    name += "_and_" + std::to_string(g.second.width) + "x" + std::to_string(g.second.height);
  return name;
}

// What a fresh instance on an unbroken host shows in the second frame after play.
Pixels UnbrokenFrame(const Case& c) {
  PluginRun r(c.deliverable, c.geometry);
  r.Create();
  PlayTwoFrames(r);
  EXPECT_EQ(r.frame(), 1) << "the unbroken instance makes its frame";
  return r.output();
}

// Every pixel of the output against `expected(x, y)`; reports the first difference.
template <class F>
void ExpectPixels(const PluginRun& r, F expected, const char* what) {
  const auto [w, h] = r.outputSize();
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x)
      if (r.output()[y * w + x] != expected(x, y)) {
        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex
                      << r.output()[y * w + x] << ", expected " << expected(x, y);
        return;
      }
}

// The notice: amber glyphs on a black box at the top-left corner; nothing outside it
// changes.
void ExpectNotice(const PluginRun& r) {
  constexpr std::uint32_t kBoxWidth = 200, kBoxHeight = 20;
  const auto [w, h] = r.outputSize();
  const Pixels& out = r.output();
  const Pixels& in = r.input();
  int amber = 0, black = 0;
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x) {
      const std::size_t i = std::size_t{y} * w + x;
      if (x >= kBoxWidth || y >= kBoxHeight) {
        ASSERT_EQ(out[i], in[i]) << "outside the notice, at (" << x << ", " << y << ")";
        continue;
      }
      if (out[i] == in[i]) continue;
      const int red = (out[i] >> 8) & 0xF8, green = (out[i] >> 3) & 0xFC,
                blue = (out[i] << 3) & 0xF8;
      amber += red >= 168 && green >= 120 && green <= 140 && blue <= 8;
      black += out[i] == 0;
    }
  EXPECT_GT(amber, 200) << "the glyphs";
  EXPECT_GT(black, 1500) << "the background box";
}

void ExpectPicture(const PluginRun& r, Picture picture, const Pixels& unbroken) {
  const std::uint32_t w = r.outputSize().width, h = r.outputSize().height;
  const Pixels& in = r.input();
  const Pixels& previous = r.previous();
  switch (picture) {
    case Picture::Untouched:
      ExpectPixels(
          r, [&](auto x, auto y) { return in[y * w + x]; }, "untouched");
      break;
    case Picture::PreviousBitmap:
      ASSERT_EQ(previous.size(), 320u * 240u);
      ExpectPixels(
          r,
          [&](auto x, auto y) {
            return x < 320 && y < 240 ? previous[y * 320 + x] : in[y * w + x];
          },
          "the previous picture");
      break;
    case Picture::PreviousWorkSurface:
      ASSERT_EQ(previous.size(), 320u * 240u);
      ExpectPixels(
          r, [&](auto x, auto y) { return previous[(y * 240 / h) * 320 + x * 320 / w]; },
          "the previous output, stretched over the surface");
      break;
    case Picture::Black:
      ExpectPixels(
          r, [](auto, auto) { return std::uint16_t{0}; }, "black");
      break;
    case Picture::Notice:
      ExpectNotice(r);
      break;
    case Picture::AsUnbroken:
      EXPECT_EQ(r.output(), unbroken) << "the frame an unbroken instance makes";
      break;
  }
  if (r.composition()) {
    EXPECT_EQ(r.secondOutput(), r.secondInput()) << "the second surface is only read";
  }
}

class FailureCatalogue : public ::testing::TestWithParam<Case> {
 protected:
  void TearDown() override { ClearFaults(); }

  void CheckRow() {
    const Case& c = GetParam();
    const Row& row = *c.row;
    const Expected& e = row.expected;
    const Pixels unbroken = e.picture == Picture::AsUnbroken ? UnbrokenFrame(c) : Pixels{};

    PluginRun r(c.deliverable, c.geometry);
    const Held before = Held::Now();
    const std::size_t createSurfaceCalls = CreateSurfaceCallCount();
    if (row.arrange) row.arrange(r);
    row.act(r);

    if (e.check != kNotCalled) {
      EXPECT_EQ(r.check(), e.check) << "CheckDll";
    }
    if (e.create != kNotCalled) {
      EXPECT_EQ(r.create(), e.create) << "CeateDll";
    }
    if (e.frame != kNotCalled) {
      EXPECT_EQ(r.frame(), e.frame) << "the frame's result";
    }
    if (e.noCreateSurfaceCall) {
      EXPECT_EQ(CreateSurfaceCallCount(), createSurfaceCalls);
    }
    if (e.keyLeftEmpty != nullptr) {
      EXPECT_TRUE(RegKeyExists(e.keyLeftEmpty)) << e.keyLeftEmpty;
      EXPECT_EQ(RegValueCount(e.keyLeftEmpty), 0u) << e.keyLeftEmpty;
    }
    if (e.keyLeftAbsent != nullptr) {
      EXPECT_FALSE(RegKeyExists(e.keyLeftAbsent)) << e.keyLeftAbsent;
    }
    ExpectPicture(r, e.picture, unbroken);
    if (r.create() == 0) {
      EXPECT_EQ(Held::Now(), before) << "a failed CeateDll holds nothing";
    }

    if (e.nextFrame != kNotCalled) {
      r.Frame();
      EXPECT_EQ(r.frame(), e.nextFrame) << "the next frame, with nothing broken";
    }
    r.Release();
    EXPECT_EQ(Held::Now(), before) << "everything released";
  }
};

class HostObjectFailures : public FailureCatalogue {};
class CreationFailures : public FailureCatalogue {};
class FrameFailures : public FailureCatalogue {};
class CallingOrderFailures : public FailureCatalogue {};

TEST_P(HostObjectFailures, Outcome) {
  CheckRow();
}
TEST_P(CreationFailures, Outcome) {
  CheckRow();
}
TEST_P(FrameFailures, Outcome) {
  CheckRow();
}
TEST_P(CallingOrderFailures, Outcome) {
  CheckRow();
}

INSTANTIATE_TEST_SUITE_P(Catalogue, HostObjectFailures,
                         ::testing::ValuesIn(CasesOf(kHostObjectRows)), CaseName);
INSTANTIATE_TEST_SUITE_P(Catalogue, CreationFailures, ::testing::ValuesIn(CasesOf(kCreationRows)),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Catalogue, FrameFailures, ::testing::ValuesIn(CasesOf(kFrameRows)),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Catalogue, CallingOrderFailures,
                         ::testing::ValuesIn(CasesOf(kCallingOrderRows)), CaseName);

}  // namespace
}  // namespace lw::test

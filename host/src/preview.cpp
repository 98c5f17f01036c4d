// fxhost preview: a plug-in in a real window on the real clock. Keys reach the plug-in
// as scan codes; space restarts play; Tab, PageDown and PageUp switch plug-ins; Esc or
// closing the window quits.
#include "lw/host/preview.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "lw/clock.h"
#include "lw/host/commands.h"
#include "lw/host/host_environment.h"
#include "lw/host/io.h"
#include "lw/host/plugin_library.h"
#include "lw/host/render.h"

namespace lw::host {
namespace {

struct ScanCode {
  SDL_Scancode key;
  std::uint8_t code;
};

// Set 1 codes; the keys that send an 0xE0 prefix there carry bit 7 instead.
constexpr ScanCode kScanCodes[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},   {SDL_SCANCODE_1, 0x02},         {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04},        {SDL_SCANCODE_4, 0x05},         {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},        {SDL_SCANCODE_7, 0x08},         {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A},        {SDL_SCANCODE_0, 0x0B},         {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},   {SDL_SCANCODE_BACKSPACE, 0x0E}, {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10},        {SDL_SCANCODE_W, 0x11},         {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13},        {SDL_SCANCODE_T, 0x14},         {SDL_SCANCODE_Y, 0x15},
    {SDL_SCANCODE_U, 0x16},        {SDL_SCANCODE_I, 0x17},         {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19},        {SDL_SCANCODE_LEFTBRACKET, 0x1A}, {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_RETURN, 0x1C},   {SDL_SCANCODE_LCTRL, 0x1D},     {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F},        {SDL_SCANCODE_D, 0x20},         {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22},        {SDL_SCANCODE_H, 0x23},         {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25},        {SDL_SCANCODE_L, 0x26},         {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28}, {SDL_SCANCODE_GRAVE, 0x29},   {SDL_SCANCODE_LSHIFT, 0x2A},
    {SDL_SCANCODE_BACKSLASH, 0x2B}, {SDL_SCANCODE_Z, 0x2C},        {SDL_SCANCODE_X, 0x2D},
    {SDL_SCANCODE_C, 0x2E},        {SDL_SCANCODE_V, 0x2F},         {SDL_SCANCODE_B, 0x30},
    {SDL_SCANCODE_N, 0x31},        {SDL_SCANCODE_M, 0x32},         {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},   {SDL_SCANCODE_SLASH, 0x35},     {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37}, {SDL_SCANCODE_LALT, 0x38},   {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A}, {SDL_SCANCODE_F1, 0x3B},        {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},       {SDL_SCANCODE_F4, 0x3E},        {SDL_SCANCODE_F5, 0x3F},
    {SDL_SCANCODE_F6, 0x40},       {SDL_SCANCODE_F7, 0x41},        {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},       {SDL_SCANCODE_F10, 0x44},       {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
    {SDL_SCANCODE_SCROLLLOCK, 0x46}, {SDL_SCANCODE_KP_7, 0x47},    {SDL_SCANCODE_KP_8, 0x48},
    {SDL_SCANCODE_KP_9, 0x49},     {SDL_SCANCODE_KP_MINUS, 0x4A},  {SDL_SCANCODE_KP_4, 0x4B},
    {SDL_SCANCODE_KP_5, 0x4C},     {SDL_SCANCODE_KP_6, 0x4D},      {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F},     {SDL_SCANCODE_KP_2, 0x50},      {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52},     {SDL_SCANCODE_KP_PERIOD, 0x53}, {SDL_SCANCODE_F11, 0x57},
    {SDL_SCANCODE_F12, 0x58},      {SDL_SCANCODE_KP_ENTER, 0x9C},  {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5}, {SDL_SCANCODE_PRINTSCREEN, 0xB7}, {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5},    {SDL_SCANCODE_HOME, 0xC7},      {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_PAGEUP, 0xC9},   {SDL_SCANCODE_LEFT, 0xCB},      {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF},      {SDL_SCANCODE_DOWN, 0xD0},      {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2},   {SDL_SCANCODE_DELETE, 0xD3},    {SDL_SCANCODE_LGUI, 0xDB},
    {SDL_SCANCODE_RGUI, 0xDC},     {SDL_SCANCODE_APPLICATION, 0xDD},
};

struct PreviewOptions {
  RenderOptions render;        // input, input2, size, pixel format, fps, scripted --keys
  int scale = 2;
  std::optional<int> frames;   // quit after this many frames
  std::vector<std::pair<int, SDL_Scancode>> presses;  // key events queued before frames
  std::string screenshot;      // the window's last picture, saved when the preview ends
};

PreviewOptions ParsePreviewOptions(const std::vector<std::string>& args) {
  PreviewOptions p;
  std::vector<std::string> common;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
      return args[++i];
    };
    if (a == "--scale") {
      p.scale = static_cast<int>(ParseWholeNumber(value(), "--scale", 1, 16));
    } else if (a == "--frames") {
      p.frames = ParseRenderOptions({"--frames", value()}).frames;
    } else if (a == "--screenshot") {
      p.screenshot = value();
    } else if (a == "--press") {
      std::stringstream list(value());
      for (std::string item; std::getline(list, item, ',');) {
        const auto at = item.find('@');
        const SDL_Scancode key = at == std::string::npos
                                     ? SDL_SCANCODE_UNKNOWN
                                     : SDL_GetScancodeFromName(item.substr(0, at).c_str());
        if (key == SDL_SCANCODE_UNKNOWN)
          throw std::invalid_argument("--press wants KEY@FRAME items with SDL key names such as Up@10 or Escape@40, not '" + item + "'");
        p.presses.emplace_back(static_cast<int>(ParseWholeNumber(
                                   item.substr(at + 1), "the frame in --press", 0, 1 << 30)),
                               key);
      }
    } else if (a == "--output" || a == "--realtime" || a == "--label" || a == "--play-at") {
      throw std::invalid_argument(a + " is for render, not preview");
    } else {
      common.push_back(a);
      if (a != "--no-progress" && i + 1 < args.size()) common.push_back(args[++i]);
    }
  }
  p.render = ParseRenderOptions(common);
  return p;
}

// SDL objects of the window, released in reverse order.
struct Window {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  ~Window() {
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
  }
};

std::runtime_error SdlError(const std::string& what) {
  return std::runtime_error(what + ": " + SDL_GetError());
}

class Preview {
 public:
  Preview(const PreviewOptions& options, std::vector<std::filesystem::path> plugins, std::size_t first)
      : o_(options),
        plugins_(std::move(plugins)),
        current_(first),
        format_{options.render.width, options.render.height, options.render.layout, options.render.fps},
        host_(options.render.layout),
        surface_(host_.directDraw(), format_.width, format_.height),
        surface2_(host_.directDraw(), format_.width, format_.height),
        frame_{format_.width, format_.height, {}},
        frame2_{format_.width, format_.height, {}} {
    input_ = OpenSource(o_.render.input, format_, 0);
  }

  ~Preview() { Unload(); }

  int Run() {
    OpenWindow();
    UseMonotonicClock();
    if (!Activate(current_, 0, true)) return 1;
    const Uint64 start = SDL_GetTicks64();
    Uint64 fpsSince = start;
    int fpsFrames = 0;
    bool quit = false;
    int i = 0;
    for (; !quit && (!o_.frames || i < *o_.frames); ++i) {
      const Uint64 due = start + static_cast<Uint64>(std::llround(i * 1000.0 / format_.fps));
      const Uint64 now = SDL_GetTicks64();
      if (due > now) SDL_Delay(static_cast<Uint32>(due - now));
      for (const auto& [at, key] : o_.presses)
        if (at == i) QueueKey(key);
      for (const KeyPress& key : o_.render.keys)
        if (key.frame == i) plugin_->calls().OnKeyTrigered(key.code);
      quit = HandleEvents();
      if (quit) break;
      ShowFrame();
      ++fpsFrames;
      const Uint64 after = SDL_GetTicks64();
      if (after - fpsSince >= 1000) {
        measuredFps_ = fpsFrames * 1000.0 / static_cast<double>(after - fpsSince);
        fpsSince = after;
        fpsFrames = 0;
        UpdateTitle();
      }
    }
    if (!o_.screenshot.empty()) SaveScreenshot();
    std::cout << "preview closed after " << shown_ << " frames\n";
    return 0;
  }

 private:
  void OpenWindow() {
    // A software renderer by default: the plug-ins' own GL stays apart from the window's.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // Without a display SDL would fall back to drawing nowhere; say so instead.
    if (!std::getenv("SDL_VIDEODRIVER") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
      throw std::runtime_error("cannot open a window: no display (set DISPLAY, or run under Xvfb)");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) throw SdlError("cannot open a window");
    window_.window = SDL_CreateWindow("fxhost preview", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                      format_.width * o_.scale, format_.height * o_.scale,
                                      SDL_WINDOW_RESIZABLE);
    if (!window_.window) throw SdlError("cannot open a window");
    window_.renderer = SDL_CreateRenderer(window_.window, -1, 0);
    if (!window_.renderer) throw SdlError("cannot draw into the window");
    SDL_RenderSetLogicalSize(window_.renderer, format_.width, format_.height);
    window_.texture = SDL_CreateTexture(window_.renderer,
                                        format_.layout == DisplayMode::Rgb555 ? SDL_PIXELFORMAT_RGB555
                                                                              : SDL_PIXELFORMAT_RGB565,
                                        SDL_TEXTUREACCESS_STREAMING, format_.width, format_.height);
    if (!window_.texture) throw SdlError("cannot make the window's picture");
  }

  void Unload() {
    if (plugin_) plugin_->calls().ReleaseDll();
    plugin_.reset();
  }

  // Loads plugins_[index] and creates it; on refusal moves on in `step`'s direction
  // (or fails when `mustWork`). Returns false when nothing could be shown.
  bool Activate(std::size_t index, int step, bool mustWork) {
    for (std::size_t tries = 0; tries < plugins_.size(); ++tries) {
      Unload();
      const auto& path = plugins_[index];
      std::string why;
      try {
        plugin_ = std::make_unique<PluginLibrary>(path);
        const auto& call = plugin_->calls();
        name_ = plugin_->Name();
        if (call.CheckDll() != 1)
          why = "CheckDll reported that it cannot run here";
        else if (call.CeateDll(0, 0) != 1)
          why = "CeateDll failed";
      } catch (const std::exception& e) {
        why = e.what();
      }
      if (why.empty()) {
        current_ = index;
        // Play starts with the plug-in, as a host starts playback: animations from
        // their beginning, trails and scrolls from a clean surface.
        plugin_->calls().StreamOutPlay();
        if (plugin_->IsComposition() && !input2_)
          input2_ = OpenSource(o_.render.input2.empty() ? "testsrc" : o_.render.input2, format_, 1);
        std::cout << "showing " << name_ << " (" << path.stem().string() << ")" << std::endl;
        UpdateTitle();
        return true;
      }
      plugin_.reset();
      if (mustWork || step == 0) throw std::runtime_error(path.stem().string() + ": " + why);
      std::cerr << "fxhost preview: skipping " << path.stem().string() << ": " << why << "\n";
      index = (index + plugins_.size() + step) % plugins_.size();
    }
    throw std::runtime_error("no plug-in could be shown");
  }

  void Switch(int step) {
    Activate((current_ + plugins_.size() + step) % plugins_.size(), step, false);
  }

  void QueueKey(SDL_Scancode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = SDL_GetWindowID(window_.window);
    event.key.state = SDL_PRESSED;
    event.key.keysym.scancode = key;
    event.key.keysym.sym = SDL_GetKeyFromScancode(key);
    SDL_PushEvent(&event);
    event.type = SDL_KEYUP;
    event.key.state = SDL_RELEASED;
    SDL_PushEvent(&event);
  }

  // Returns true when the preview should end.
  bool HandleEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      const auto& call = plugin_->calls();
      if (event.type == SDL_QUIT) return true;
      if (event.type == SDL_WINDOWEVENT) {
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) call.OnForcus(0);
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) call.OnUnforcus(0);
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) return true;
      } else if (event.type == SDL_KEYDOWN && !event.key.repeat) {
        const SDL_Scancode key = event.key.keysym.scancode;
        if (key == SDL_SCANCODE_ESCAPE) return true;
        if (key == SDL_SCANCODE_TAB)
          Switch((event.key.keysym.mod & KMOD_SHIFT) ? -1 : 1);
        else if (key == SDL_SCANCODE_PAGEDOWN)
          Switch(1);
        else if (key == SDL_SCANCODE_PAGEUP)
          Switch(-1);
        else if (key == SDL_SCANCODE_SPACE)
          call.StreamOutPlay();
        else if (const std::uint32_t code = SetOneScanCode(key))
          call.OnKeyTrigered(code);
      } else if (event.type == SDL_KEYUP) {
        if (const std::uint32_t code = SetOneScanCode(event.key.keysym.scancode))
          plugin_->calls().OnKeyUntrigered(code);
      }
    }
    return false;
  }

  void ShowFrame() {
    const auto& call = plugin_->calls();
    input_->Next(frame_);
    surface_.Write(frame_.pixels.data());
    if (plugin_->IsComposition()) {
      input2_->Next(frame2_);
      surface2_.Write(frame2_.pixels.data());
      call.CompositionOut(surface_.get(), surface2_.get());
    } else {
      call.EffectOut(surface_.get());
    }
    surface_.Read(frame_.pixels.data());
    SDL_UpdateTexture(window_.texture, nullptr, frame_.pixels.data(), format_.width * 2);
    Draw();
    SDL_RenderPresent(window_.renderer);
    ++shown_;
  }

  void Draw() {
    SDL_SetRenderDrawColor(window_.renderer, 0, 0, 0, 255);
    SDL_RenderClear(window_.renderer);
    SDL_RenderCopy(window_.renderer, window_.texture, nullptr, nullptr);
  }

  void UpdateTitle() {
    char fps[32];
    std::snprintf(fps, sizeof fps, "%.1f fps", measuredFps_ > 0 ? measuredFps_ : format_.fps);
    const std::string title = name_ + " (" + plugins_[current_].stem().string() + ") - " + fps;
    SDL_SetWindowTitle(window_.window, title.c_str());
  }

  // What the window shows, at the window's size.
  void SaveScreenshot() {
    Draw();
    int w = 0, h = 0;
    if (SDL_GetRendererOutputSize(window_.renderer, &w, &h) != 0) throw SdlError("cannot read the window");
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    if (SDL_RenderReadPixels(window_.renderer, nullptr, SDL_PIXELFORMAT_RGB24, rgb.data(), w * 3) != 0)
      throw SdlError("cannot read the window");
    AtomicFile file(o_.screenshot);
    WritePng(file.tempPath(), RgbImage{w, h, std::move(rgb)});
    file.Commit();
  }

  const PreviewOptions& o_;
  std::vector<std::filesystem::path> plugins_;
  std::size_t current_;
  StreamFormat format_;
  HostEnvironment host_;
  HostSurface surface_, surface2_;
  Frame frame_, frame2_;
  std::unique_ptr<FrameSource> input_, input2_;
  std::unique_ptr<PluginLibrary> plugin_;
  std::string name_;
  Window window_;
  double measuredFps_ = 0;
  int shown_ = 0;
};

}  // namespace

std::uint32_t SetOneScanCode(int sdlScancode) {
  for (const ScanCode& s : kScanCodes)
    if (s.key == sdlScancode) return s.code;
  return 0;
}

int PreviewCommand(const std::vector<std::string>& args) {
  const std::string wanted = NeedPlugin(args, "preview");
  const PreviewOptions options = ParsePreviewOptions({args.begin() + 1, args.end()});
  // Every plug-in found, to switch between, starting at the one asked for.
  const auto path = FindPlugin(wanted);
  auto plugins = ListPlugins();
  auto at = std::find_if(plugins.begin(), plugins.end(), [&](const auto& p) {
    return std::filesystem::equivalent(p, path);
  });
  if (at == plugins.end()) at = plugins.insert(plugins.begin(), path);
  const std::size_t first = static_cast<std::size_t>(at - plugins.begin());
  Preview preview(options, std::move(plugins), first);
  return preview.Run();
}

}  // namespace lw::host

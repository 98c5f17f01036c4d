// fxhost preview in a real X11 window on a virtual X server: the arrow keys reach the
// plug-in, what the window shows is the effect, Tab and the page keys switch plug-ins,
// Esc quits cleanly. Keys are queued into SDL's event queue before given frames
// (--press), so the runs do not depend on timing.
#include <gtest/gtest.h>
#include <SDL2/SDL_scancode.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "effects/pixel/mosaic.h"
#include "harness.h"
#include "lw/host/io.h"
#include "lw/host/preview.h"

namespace lw::test {
namespace {

class PreviewTest : public ::testing::Test {
 protected:
  // One Xvfb for the suite; -displayfd makes it pick a free display and say which
  // once it accepts connections.
  static void SetUpTestSuite() {
    int fds[2];
    if (pipe(fds) != 0) return;
    server_ = fork();
    if (server_ == 0) {
      close(fds[0]);
      freopen("/dev/null", "w", stderr);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') display_ += c;
    close(fds[0]);
  }

  static void TearDownTestSuite() {
    if (server_ > 0) {
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
    }
  }

  void SetUp() override {
    ASSERT_FALSE(display_.empty()) << "Xvfb did not start (scripts/deps.sh installs xvfb)";
  }

  // Under the sanitizers, leak checking is off for the window's process: SDL unloads
  // the D-Bus library it opened, and what that library keeps for the process can then
  // neither be freed nor attributed for a suppression.
  static std::string Env() {
    return "DISPLAY=:" + display_ + " SDL_VIDEODRIVER=x11 ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0";
  }

  static inline pid_t server_ = -1;
  static inline std::string display_;
};

TEST_F(PreviewTest, ArrowKeysReachThePluginAndTheWindowShowsTheEffect) {
  const auto dir = TempDir();
  const auto shot = dir / "shot.png";
  // Up, up, down: cells of 8, 16, 32, then 16 rows. Esc before frame 12 quits, so the
  // window last showed frame 11.
  const auto r = RunFxhost("preview mosaic --press Up@3,Up@4,Down@5,Escape@12 --screenshot " + shot.string(), Env());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("showing Mosaic Effect (mosaic)"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("preview closed after 12 frames"), std::string::npos) << r.output;

  const host::RgbImage window = host::ReadPng(shot.string());
  ASSERT_EQ(window.width, 640);  // twice the surface by default
  ASSERT_EQ(window.height, 480);
  auto expectedWith = [](int cellHeight) {
    auto pixels = PatternFrame(320, 240, 11);
    effects::MosaicPixels(pixels.data(), 320, 240, cellHeight);
    return host::ToRgb(host::Frame{320, 240, pixels}, DisplayMode::Rgb565);
  };
  auto worstDifference = [&](const host::RgbImage& expected) {
    int worst = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        for (int c = 0; c < 3; ++c)
          worst = std::max(worst, std::abs(window.rgb[(y * 640 + x) * 3 + c] -
                                           expected.rgb[((y / 2) * 320 + x / 2) * 3 + c]));
    return worst;
  };
  EXPECT_LE(worstDifference(expectedWith(16)), 4);
  EXPECT_GT(worstDifference(expectedWith(8)), 64) << "the keys changed nothing";
}

TEST_F(PreviewTest, TabAndPageKeysSwitchPlugins) {
  // A second instance of the mosaic under another name, at the end of the list.
  const auto copy = PrivateCopy("mosaic");
  const std::string folder = copy.parent_path().string();
  setenv("FXHOST_PLUGIN_PATH", folder.c_str(), 1);
  const auto plugins = host::ListPlugins();
  unsetenv("FXHOST_PLUGIN_PATH");
  ASSERT_GE(plugins.size(), 2u);
  ASSERT_EQ(plugins.back(), copy);

  const auto run = RunFxhost("preview " + copy.stem().string() + " --press Tab@2,Tab@4,PageUp@6,PageDown@7,Escape@9",
                             Env() + " FXHOST_PLUGIN_PATH=" + folder);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::size_t n = plugins.size();
  const std::size_t order[] = {n - 1, 0, 1 % n, 0, 1 % n};
  std::string expected;
  for (std::size_t i : order) expected += "(" + plugins[i].stem().string() + ")\n";
  std::string shown;
  for (std::size_t at = 0; (at = run.output.find("showing ", at)) != std::string::npos; ++at) {
    const auto open = run.output.find(" (", at), end = run.output.find('\n', at);
    shown += run.output.substr(open + 1, end - open);
  }
  EXPECT_EQ(shown, expected) << run.output;
}

TEST(PreviewWithoutDisplayTest, SaysSoInOneLine) {
  const auto r = RunFxhost("preview mosaic --frames 3", "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("no display"), std::string::npos) << r.output;
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
}

TEST(PreviewWithoutDisplayTest, BadOptionsGiveOneClearLine) {
  struct Case {
    const char* args;
    const char* says;
  };
  const Case cases[] = {{"--scale 0", "--scale"},
                        {"--scale 2x", "--scale"},
                        {"--press Up@none", "the frame in --press"},
                        {"--press Up@-3", "the frame in --press"},
                        {"--play-at 0", "for render"}};
  for (const Case& c : cases) {
    const auto r = RunFxhost(std::string("preview mosaic ") + c.args,
                             "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER");
    EXPECT_EQ(r.exitCode, 2) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
  }
}

TEST(PreviewKeysTest, SetOneScanCodes) {
  const std::pair<int, std::uint32_t> cases[] = {
      {SDL_SCANCODE_UP, 200},   {SDL_SCANCODE_DOWN, 208},  {SDL_SCANCODE_LEFT, 0xCB},
      {SDL_SCANCODE_RIGHT, 0xCD}, {SDL_SCANCODE_KP_8, 0x48}, {SDL_SCANCODE_KP_2, 0x50},
      {SDL_SCANCODE_A, 0x1E},   {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_KP_ENTER, 0x9C},
      {SDL_SCANCODE_F12, 0x58}, {SDL_SCANCODE_F13, 0},      {SDL_SCANCODE_UNKNOWN, 0},
  };
  for (const auto& [key, code] : cases) EXPECT_EQ(host::SetOneScanCode(key), code) << "SDL scancode " << key;
}

}  // namespace
}  // namespace lw::test

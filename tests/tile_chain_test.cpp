// The three chain effects, as pictures rendered through the real frame path: the
// first frame after play, a quarter turn about x, keying, the key cycles and their
// counters across a re-creation, and keys and play while no scene exists.
#include <gtest/gtest.h>

#include "effects/gl/tile_chain.h"
#include "gl_frames.h"
#include "lw/gl/frame_path.h"
#include "lw/gl/texels.h"
#include "lw/host/frames.h"
#include "lw/host/io.h"
#include "lw/platform.h"

namespace lw::test {
namespace {

constexpr std::uint32_t kStart = 2000;
constexpr std::uint32_t kQuarterTurnMs = 256 * 20;  // phase 256 of 1024 at speed 1

// The screen cell of chain position k in row r: rows from the bottom, rows 1 and 3
// running right to left.
Region Cell(int r, int k) {
  const int column = r % 2 == 0 ? k : 3 - k;
  return {column * 80, (3 - r) * 60, 80, 60};
}

// Renders the first frame after play and, when `ms` > 0, the frame `ms` later.
Frame Render(const plugin::PluginHooks& hooks, const Frame& in, std::uint32_t ms = 0) {
  HookRun run(hooks);
  EXPECT_EQ(run.Create(), 1);
  run.Play(kStart);
  EXPECT_EQ(run.Frame(kStart, in), 1);
  if (ms > 0) {
    EXPECT_EQ(run.Frame(kStart + ms, in), 1);
  }
  if (const char* dump = std::getenv("LW_DUMP_PNG")) {
    host::Frame f{320, 240, run.output()};
    host::WritePng(std::string(dump) + "-" + std::to_string(ms) + ".png",
                   host::ToRgb(f, DisplayMode::Rgb565));
  }
  return run.output();
}

TEST(SplitMulchRotationTest, FirstFrameAfterPlayShowsThePictureWhole) {
  const Frame in = GradientFrame();
  HookRun run(effects::kSplitMulchRotationHooks);
  ASSERT_EQ(run.Create(), 1);
  run.Play(kStart);
  ASSERT_EQ(run.Frame(kStart, in), 1);
  auto same = [&](int x, int y) { return in[y * 320 + x]; };
  EXPECT_LT(MismatchFraction(run.output(), Region{0, 0, 320, 240}.Inset(2), same), 0.02);
  ASSERT_EQ(run.Frame(kStart + 3000, in), 1);
  EXPECT_GT(MismatchFraction(run.output(), Region{0, 0, 320, 240}, same), 0.2) << "turning";
  run.Play(kStart + 3100);
  ASSERT_EQ(run.Frame(kStart + 3100, in), 1);
  EXPECT_LT(MismatchFraction(run.output(), Region{0, 0, 320, 240}.Inset(2), same), 0.02)
      << "play restarts from phase 0";
}

// Near-black texels are keyed away: the black background shows through them.
TEST(SplitMulchRotationTest, NearBlackShowsTheBackground) {
  Frame in(320 * 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) in[y * 320 + x] = x < 160 ? 0x18E3 : 0x1903;
  const Frame out = Render(effects::kSplitMulchRotationHooks, in);
  EXPECT_EQ(out[120 * 320 + 40], 0x0000);
  EXPECT_EQ(out[120 * 320 + 280], 0x1903);
}

// About x at 90 degrees, in every row: the first tile edge-on, the second upside
// down, the third edge-on, the fourth upright. Seen from the eye, a tile edge-on far
// from the centre still shows as a thin band of perspective.
constexpr double kEdgeOnBlack = 0.6;
TEST(SplitMulchRotationTest, QuarterTurnAboutX) {
  const Frame in = GradientFrame();
  const Frame out = Render(effects::kSplitMulchRotationHooks, in, kQuarterTurnMs);
  for (int r = 0; r < 4; ++r) {
    SCOPED_TRACE(r);
    auto upright = [&](int x, int y) { return in[y * 320 + x]; };
    auto flipped = [&](int x, int y, Region cell) {
      return in[(2 * cell.y + cell.height - 1 - y) * 320 + x];
    };
    EXPECT_GT(BlackFraction(out, Cell(r, 0).Inset(3)), kEdgeOnBlack) << "edge-on";
    EXPECT_LT(MismatchFraction(out, Cell(r, 1).Inset(3),
                               [&](int x, int y) { return flipped(x, y, Cell(r, 1)); }, 16, 2),
              0.05)
        << "upside down";
    EXPECT_GT(BlackFraction(out, Cell(r, 2).Inset(3)), kEdgeOnBlack) << "edge-on";
    EXPECT_LT(MismatchFraction(out, Cell(r, 3).Inset(3), upright, 16, 2), 0.05) << "upright";
    EXPECT_GT(MismatchFraction(out, Cell(r, 3).Inset(3),
                               [&](int x, int y) { return flipped(x, y, Cell(r, 3)); }, 16, 2),
              0.2)
        << "the comparison tells upright from upside down";
  }
}

// Each of the sixteen copies is the whole picture at a quarter of its size.
TEST(MulchRotationTest, FirstFrameShowsSixteenUprightCopies) {
  const Frame in = GradientFrame();
  const Frame out = Render(effects::kMulchRotationHooks, in);
  for (int r = 0; r < 4; ++r)
    for (int k = 0; k < 4; ++k) {
      const Region c = Cell(r, k);
      EXPECT_LT(MismatchFraction(out, c.Inset(2),
                                 [&](int x, int y) {
                                   return in[((y - c.y) * 4 + 2) * 320 + (x - c.x) * 4 + 2];
                                 },
                                 16, 1),
                0.05)
          << r << "," << k;
    }
}

TEST(MulchRotationTest, QuarterTurnAboutX) {
  const Frame in = GradientFrame();
  const Frame whole = Render(effects::kMulchRotationHooks, in);
  const Frame out = Render(effects::kMulchRotationHooks, in, kQuarterTurnMs);
  for (int r = 0; r < 4; ++r) {
    SCOPED_TRACE(r);
    const Region second = Cell(r, 1), fourth = Cell(r, 3);
    EXPECT_GT(BlackFraction(out, Cell(r, 0).Inset(3)), kEdgeOnBlack);
    EXPECT_GT(BlackFraction(out, Cell(r, 2).Inset(3)), kEdgeOnBlack);
    EXPECT_LT(MismatchFraction(out, second.Inset(3),
                               [&](int x, int y) {
                                 return whole[(2 * second.y + second.height - 1 - y) * 320 + x];
                               },
                               16, 2),
              0.05)
        << "upside down";
    EXPECT_LT(MismatchFraction(out, fourth.Inset(3), [&](int x, int y) { return whole[y * 320 + x]; },
                               16, 2),
              0.05)
        << "upright";
  }
}

// Sixteen tubes seen end-on from their open ends: dark centres, lit rims; nothing is
// keyed, so the picture's black stays opaque black on the tubes.
TEST(MulchCylinderTest, FirstFrameShowsSixteenTubesEndOn) {
  const Frame out = Render(effects::kMulchCylinderHooks, GradientFrame());
  for (int r = 0; r < 4; ++r)
    for (int k = 0; k < 4; ++k) {
      const Region c = Cell(r, k);
      const Region centre{c.x + 30, c.y + 20, 20, 20};
      EXPECT_EQ(BlackFraction(out, centre), 1.0) << r << "," << k;
      EXPECT_LT(BlackFraction(out, c), 0.98) << "the rim " << r << "," << k;
    }
}

// About x at 90 degrees the first and third tubes of a row are seen side-on, the
// second and fourth end-on again.
TEST(MulchCylinderTest, QuarterTurnAboutX) {
  const Frame out = Render(effects::kMulchCylinderHooks, GradientFrame(), kQuarterTurnMs);
  for (int r = 0; r < 4; ++r)
    for (int k : {1, 3}) {
      const Region c = Cell(r, k);
      EXPECT_GT(BlackFraction(out, {c.x + 30, c.y + 20, 20, 20}), 0.9) << r << "," << k;
    }
}

TEST(TileChainTest, FramesEvery16MsNeverMoveAtSpeed1) {
  const Frame in = GradientFrame();
  HookRun run(effects::kSplitMulchRotationHooks);
  ASSERT_EQ(run.Create(), 1);
  run.Play(kStart);
  ASSERT_EQ(run.Frame(kStart, in), 1);
  const Frame first = run.output();
  for (std::uint32_t i = 1; i <= 40; ++i) {
    ASSERT_EQ(run.Frame(kStart + 16 * i, in), 1);
    ASSERT_EQ(run.output(), first) << i;
  }
}

// --- Keys, through fresh instances of the built plug-ins ---

// A fresh copy of a plug-in: keys before CeateDll, keys after it, then the first frame
// after play and the frame `ms` later, which is returned.
struct KeyScript {
  std::vector<std::uint32_t> beforeCreate = {};
  std::vector<std::uint32_t> afterCreate = {};
  std::vector<std::uint32_t> afterRecreate = {};
  bool recreate = false;
  std::uint32_t ms = 1000;
};

Frame RunKeys(const std::string& deliverable, const KeyScript& s) {
  auto host = FreshHost();
  host::PluginLibrary lib(PrivateCopy(deliverable));
  const auto& c = lib.calls();
  for (auto k : s.beforeCreate) EXPECT_EQ(c.OnKeyTrigered(k), 1);
  EXPECT_EQ(c.StreamOutPlay(), 0);
  EXPECT_EQ(c.CeateDll(0, 0), 1);
  for (auto k : s.afterCreate) c.OnKeyTrigered(k);
  if (s.recreate) {
    c.ReleaseDll();
    EXPECT_EQ(c.CeateDll(0, 0), 1);
    for (auto k : s.afterRecreate) c.OnKeyTrigered(k);
  }
  host::HostSurface surface(host->directDraw(), 320, 240);
  const Frame in = GradientFrame();
  SetVirtualClock(kStart);
  c.StreamOutPlay();
  surface.Write(in.data());
  c.EffectOut(surface.get());
  SetVirtualClock(kStart + s.ms);
  surface.Write(in.data());
  EXPECT_EQ(c.EffectOut(surface.get()), 1);
  Frame out(in.size());
  surface.Read(out.data());
  c.ReleaseDll();
  return out;
}

std::vector<std::uint32_t> Presses(std::uint32_t key, int n) { return std::vector<std::uint32_t>(n, key); }

class ChainKeysTest : public ::testing::TestWithParam<std::string> {};

// The down key runs the speeds 2 to 7 and back to 1: speed s for t ms draws what speed
// 1 draws for s x t ms.
TEST_P(ChainKeysTest, DownKeyCyclesTheSpeeds) {
  for (int n = 1; n <= 7; ++n) {
    SCOPED_TRACE(n);
    const int speed = n % 7 + 1;
    EXPECT_EQ(RunKeys(GetParam(), {.afterCreate = Presses(208, n), .ms = 400}),
              RunKeys(GetParam(), {.ms = 400u * speed}));
  }
}

// The up key runs seven distinct axis choices and returns to the first; the counters
// outlive a re-creation, which itself starts from x only at speed 1; keys with no
// scene change nothing.
TEST_P(ChainKeysTest, UpKeyCyclesTheAxesAndCountersSurviveARecreation) {
  std::vector<Frame> byPresses;
  for (int n = 0; n <= 7; ++n) byPresses.push_back(RunKeys(GetParam(), {.afterCreate = Presses(200, n)}));
  EXPECT_EQ(byPresses[7], byPresses[0]);
  for (int a = 0; a < 7; ++a)
    for (int b = a + 1; b < 7; ++b) EXPECT_NE(byPresses[a], byPresses[b]) << a << " vs " << b;

  EXPECT_EQ(RunKeys(GetParam(), {.afterCreate = Presses(200, 3), .recreate = true}), byPresses[0])
      << "a new scene starts from x only";
  EXPECT_EQ(RunKeys(GetParam(), {.afterCreate = Presses(200, 3),
                                 .afterRecreate = Presses(200, 1),
                                 .recreate = true}),
            byPresses[4])
      << "the next press continues from the old counter";
  EXPECT_EQ(RunKeys(GetParam(), {.beforeCreate = {200, 200, 208, 456}, .afterCreate = Presses(200, 1)}),
            byPresses[1])
      << "keys with no scene step nothing";
  EXPECT_EQ(RunKeys(GetParam(), {.afterCreate = {456, 0, 201, 0x1FF}}), byPresses[1])
      << "456 is the up key; other codes do nothing";
}

INSTANTIATE_TEST_SUITE_P(Chains, ChainKeysTest,
                         ::testing::Values("gl_split_mulch_rotation", "gl_mulch_rotation",
                                           "gl_mulch_cylinder"));

}  // namespace
}  // namespace lw::test

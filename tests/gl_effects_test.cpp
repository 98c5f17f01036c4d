// The single-scene GL effects (flat resize, planes, room, flat rotation, flat move) as
// pictures rendered through fresh copies of the built plug-ins: the first frame after
// play, the states their animations pass through, long gaps between frames, and their
// key cycles, counters across a re-creation, and keys while no scene exists.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include "gl_frames.h"
#include "lw/host/frames.h"
#include "lw/host/io.h"

namespace lw::test {
namespace {

constexpr std::uint32_t kStart = 2000;
constexpr std::uint32_t kUp = 200;
constexpr std::uint32_t kDown = 208;

std::vector<std::uint32_t> Presses(std::uint32_t key, int n) {
  return std::vector<std::uint32_t>(n, key);
}

// Where an output pixel's centre falls in the input picture, in input pixels; nullopt
// where the effect shows no picture.
using ViewMap = std::function<std::optional<std::pair<double, double>>(double x, double y)>;

// Fraction of the judged pixels that differ from the input seen through `map`: pixels
// that map well inside the picture must show it (the rasteriser may be a pixel off),
// and, when `blackOutside`, pixels that map well outside it, or nowhere, must be
// black. Pixels within two input pixels of the picture's edge are not judged.
double ViewMismatch(const Frame& out, const Frame& in, const ViewMap& map,
                    bool blackOutside = true) {
  int bad = 0, judged = 0;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      const std::uint16_t got = out[y * 320 + x];
      const auto at = map(x + 0.5, y + 0.5);
      const bool inside =
          at && at->first >= 2 && at->first <= 318 && at->second >= 2 && at->second <= 238;
      const bool outside =
          !at || at->first < -2 || at->first > 322 || at->second < -2 || at->second > 242;
      if (inside) {
        const int u = static_cast<int>(at->first), v = static_cast<int>(at->second);
        bool matched = false;
        for (int dv = -1; dv <= 1 && !matched; ++dv)
          for (int du = -1; du <= 1 && !matched; ++du)
            matched = Close(got, in[(v + dv) * 320 + u + du], 16);
        bad += !matched;
        ++judged;
      } else if (outside && blackOutside) {
        bad += !Close(got, 0, 8);
        ++judged;
      }
    }
  return judged > 0 ? static_cast<double>(bad) / judged : 1.0;
}

// The picture at scale (sx, sy) about the centre of the frame, then moved by (dx, dy)
// pixels (dy downwards); a negative scale mirrors.
ViewMap Affine(double sx, double sy, double dx = 0, double dy = 0) {
  return [=](double x, double y) -> std::optional<std::pair<double, double>> {
    if (sx == 0 || sy == 0) return std::nullopt;
    return std::pair{(x - dx - 160) / sx + 160, (y - dy - 120) / sy + 120};
  };
}
const ViewMap kWhole = Affine(1, 1);

void MaybeDump(const std::string& name, const Frame& out) {
  if (const char* dump = std::getenv("LW_DUMP_PNG"))
    host::WritePng(std::string(dump) + "-" + name + ".png",
                   host::ToRgb(host::Frame{320, 240, out}, DisplayMode::Rgb565));
}

// A fresh plug-in, keys after CeateDll, play at kStart, then frames at each of `times`
// after play; returns the last.
Frame RenderAfter(const std::string& deliverable, const std::vector<std::uint32_t>& keys,
                  const std::vector<std::uint32_t>& times, const Frame& in = GradientFrame()) {
  LibraryRun run(deliverable);
  EXPECT_EQ(run.Create(), 1);
  run.Keys(keys);
  run.Play(kStart);
  Frame out;
  for (const std::uint32_t t : times) {
    out = run.Frame(kStart + t, in);
    EXPECT_EQ(run.result(), 1) << t;
  }
  MaybeDump(deliverable + "-" + std::to_string(times.back()), out);
  return out;
}

// --- The flat picture: whole on the first frame, moving later, whole again on play ---

class FlatPictureTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FlatPictureTest, FirstFrameAfterPlayShowsThePictureWholeAndPlayRestarts) {
  const Frame in = GradientFrame();
  LibraryRun run(GetParam());
  ASSERT_EQ(run.Create(), 1);
  run.Play(kStart);
  EXPECT_LT(ViewMismatch(run.Frame(kStart, in), in, kWhole), 0.01);
  EXPECT_GT(ViewMismatch(run.Frame(kStart + 1000, in), in, kWhole), 0.1) << "moving";
  run.Play(kStart + 1500);
  EXPECT_LT(ViewMismatch(run.Frame(kStart + 1500, in), in, kWhole), 0.01) << "play restarts";
  EXPECT_EQ(run.result(), 1);
}

INSTANTIATE_TEST_SUITE_P(Flat, FlatPictureTest,
                         ::testing::Values("gl_flat_resize", "gl_flat_rotation", "gl_flat_move"));

// --- States of the animations, reached on the virtual clock: phase = speed x ms / 20 ---

struct StateCase {
  const char* what;
  const char* deliverable;
  std::vector<std::uint32_t> keys;
  std::uint32_t ms;  // after the first frame
  ViewMap view;      // nullopt everywhere: the frame is black
};

void PrintTo(const StateCase& c, std::ostream* os) {
  *os << c.what;
}

class StateTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(StateTest, ShowsThePictureAsExpected) {
  const StateCase& c = GetParam();
  const Frame in = GradientFrame();
  EXPECT_LT(ViewMismatch(RenderAfter(c.deliverable, c.keys, {0, c.ms}, in), in, c.view), 0.01);
}

const ViewMap kBlack = [](double, double) -> std::optional<std::pair<double, double>> {
  return std::nullopt;
};

// Speeds after CeateDll: resize 2, rotation 2, move 4 (phase 128 of 512 is a quarter).
const StateCase kStates[] = {
    {"resize_doubled_across_at_a_quarter", "gl_flat_resize", {}, 1280, Affine(2, 1)},
    {"resize_collapsed_at_three_quarters", "gl_flat_resize", {}, 3840, kBlack},
    {"resize_doubled_up_and_down", "gl_flat_resize", {kUp}, 1280, Affine(1, 2)},
    {"resize_doubled_both_ways", "gl_flat_resize", {kUp, kUp}, 1280, Affine(2, 2)},
    {"resize_collapsed_both_ways", "gl_flat_resize", {kUp, kUp}, 3840, kBlack},
    // speed 4 for 2240 ms: phase 448, seven eighths of the cycle, scale 1 - sqrt(1/2)
    {"resize_shrunk_both_ways_at_speed_4",
     "gl_flat_resize",
     {kUp, kUp, kDown},
     2240,
     Affine(1 - std::sqrt(0.5), 1 - std::sqrt(0.5))},
    {"rotation_edge_on_about_x", "gl_flat_rotation", {}, 1280, kBlack},
    {"rotation_flipped_about_x", "gl_flat_rotation", {}, 2560, Affine(1, -1)},
    {"rotation_edge_on_about_y", "gl_flat_rotation", {kUp}, 1280, kBlack},
    {"rotation_mirrored_about_y", "gl_flat_rotation", {kUp}, 2560, Affine(-1, 1)},
    {"rotation_upside_down_about_z", "gl_flat_rotation", {kUp, kUp}, 2560, Affine(-1, -1)},
    {"rotation_whole_turn_about_x_and_y", "gl_flat_rotation", {kUp, kUp, kUp}, 5120, kWhole},
    {"move_right_at_a_quarter", "gl_flat_move", {}, 640, Affine(1, 1, 100, 0)},
    {"move_left_at_three_quarters", "gl_flat_move", {}, 1920, Affine(1, 1, -100, 0)},
    {"move_up_at_a_quarter", "gl_flat_move", {kUp}, 640, Affine(1, 1, 0, -100)},
    {"move_away_at_a_quarter", "gl_flat_move", {kUp, kUp}, 640, Affine(448.0 / 648, 448.0 / 648)},
    {"move_near_at_three_quarters",
     "gl_flat_move",
     {kUp, kUp},
     1920,
     Affine(448.0 / 248, 448.0 / 248)},
    {"move_diagonally", "gl_flat_move", {kUp, kUp, kUp}, 640, Affine(1, 1, 100, -100)},
};

INSTANTIATE_TEST_SUITE_P(Effects, StateTest, ::testing::ValuesIn(kStates),
                         [](const auto& info) { return std::string(info.param.what); });

// --- Gaps between frames with no play notification ---

// A gap long enough to carry the phase far past the sine table's 1152 entries, or a
// turn's angle past 32 bits of arithmetic, still draws the point of the cycle that the
// gap leads to, on that frame and on the next one (which folds the phase by one turn).
struct GapCase {
  const char* what;
  const char* deliverable;
  std::vector<std::uint32_t> keys;
  std::uint32_t gap;
  ViewMap view;
};

void PrintTo(const GapCase& c, std::ostream* os) {
  *os << c.what;
}

class GapTest : public ::testing::TestWithParam<GapCase> {};

TEST_P(GapTest, LandsOnTheRightPointOfTheCycle) {
  const GapCase& c = GetParam();
  const Frame in = GradientFrame();
  const Frame out = RenderAfter(c.deliverable, c.keys, {0, c.gap, c.gap}, in);
  EXPECT_LT(ViewMismatch(out, in, c.view), 0.01);
}

const GapCase kGaps[] = {
    // speed 2 for 10 799 360 ms (3 h): phase 1 079 936, a quarter of the cycle
    {"resize_three_hours", "gl_flat_resize", {}, 10'799'360, Affine(2, 1)},
    // speed 4 for 10 240 640 ms (2.8 h): phase 2 048 128, a quarter of the cycle
    {"move_three_hours", "gl_flat_move", {}, 10'240'640, Affine(1, 1, 100, 0)},
    // speed 4 for 536 873 347 ms (6 days): the clock's 32-bit product wraps below 0,
    // and the phase with it, to three quarters of the cycle
    {"move_six_days", "gl_flat_move", {}, 536'873'347, Affine(1, 1, -100, 0)},
    // speed 16 for 10 800 320 ms (3 h): phase 8 639 744, half a turn about x
    {"rotation_three_hours", "gl_flat_rotation", Presses(kDown, 6), 10'800'320, Affine(1, -1)},
};

INSTANTIATE_TEST_SUITE_P(Effects, GapTest, ::testing::ValuesIn(kGaps),
                         [](const auto& info) { return std::string(info.param.what); });

// --- Planes ---

constexpr Region kHorizon{40, 115, 240, 10};

TEST(PlanesTest, FirstFrameIsACorridorSymmetricTopToBottomWithADarkHorizon) {
  const Frame out = RenderAfter("gl_planes", {}, {0});
  auto mirrored = [&](int x, int y) { return out[(239 - y) * 320 + x]; };
  EXPECT_LT(MismatchFraction(out, {0, 0, 320, 240}, mirrored, 16, 1), 0.01)
      << "floor mirrors ceiling";
  EXPECT_GT(BlackFraction(out, kHorizon), 0.95) << "nothing beyond the far end";
  EXPECT_LT(BlackFraction(out, {0, 0, 320, 100}), 0.05) << "the ceiling fills the top";
  // The picture's left edge stays on the left (its red grows to the right), and its
  // bottom row lies at the far end, by the horizon (its green grows downwards).
  EXPECT_LT(ToRgb(out[105 * 320 + 100]).r + 30, ToRgb(out[105 * 320 + 220]).r);
  EXPECT_LT(ToRgb(out[10 * 320 + 160]).g + 40, ToRgb(out[110 * 320 + 160]).g);
}

// The dark horizon turns with the planes: counter-clockwise forward, clockwise
// backward. At 22.5 degrees (64 steps of 1024, 1280 ms at speed 1) a point 100 pixels
// from the centre along the turned horizon is dark, its mirror across the unturned
// horizon lit.
TEST(PlanesTest, SpinsCounterClockwiseForwardAndClockwiseBackward) {
  const double a = 2 * M_PI * 64 / 1024;
  const Region above{static_cast<int>(160 + 100 * std::cos(a)) - 1,
                     static_cast<int>(120 - 100 * std::sin(a)) - 1, 3, 3};
  const Region below{above.x, static_cast<int>(120 + 100 * std::sin(a)) - 1, 3, 3};
  const Frame forward = RenderAfter("gl_planes", {}, {0, 1280});
  EXPECT_EQ(BlackFraction(forward, above), 1.0);
  EXPECT_EQ(BlackFraction(forward, below), 0.0);
  const Frame backward = RenderAfter("gl_planes", {kUp}, {0, 1280});
  EXPECT_EQ(BlackFraction(backward, below), 1.0);
  EXPECT_EQ(BlackFraction(backward, above), 0.0);
}

// One step backward from phase 0 is phase 1023, the picture that speed 7 reaches going
// forward in 2923 ms (20 461 / 20 = 1023 steps), not a turn by -1 step past 0.
TEST(PlanesTest, TurningBackwardFromPhase0GivesPhase1023) {
  const Frame first = RenderAfter("gl_planes", {}, {0});
  const Frame backward = RenderAfter("gl_planes", {kUp}, {0, 20});
  EXPECT_NE(backward, first);
  EXPECT_EQ(backward, RenderAfter("gl_planes", Presses(kDown, 6), {0, 2923}));
  EXPECT_NE(backward, RenderAfter("gl_planes", {}, {0, 20})) << "forward one step";
}

// --- Room ---

// With the eye 280 units from the back wall and an 80-degree field of view, a unit on
// the back wall is 120 / tan(40 degrees) / 280 pixels.
const double kBackWallScale = 120 / std::tan(40 * M_PI / 180) / 280;

struct RoomCase {
  const char* what;
  std::vector<std::uint32_t> keys;
  std::uint32_t ms;
  double sx;  // -1: mirrored
};

void PrintTo(const RoomCase& c, std::ostream* os) {
  *os << c.what;
}

class RoomTest : public ::testing::TestWithParam<RoomCase> {};

// What faces the eye, in the middle of the view: unturned the back wall upright; a
// quarter turn about y (256 steps, 5120 ms at speed 1) brings the right wall round,
// showing the picture mirrored; a full turn about x and z the back wall again.
TEST_P(RoomTest, TheWallAheadStandsUprightInTheMiddle) {
  const RoomCase& c = GetParam();
  const Frame in = GradientFrame();
  const Frame out = RenderAfter("gl_room", c.keys, {0, c.ms}, in);
  // Around the wall are the other faces, not black: only the wall itself is judged.
  EXPECT_LT(ViewMismatch(out, in, Affine(c.sx * kBackWallScale, kBackWallScale), false), 0.01);
  EXPECT_LT(BlackFraction(out, {0, 0, 320, 240}), 0.01) << "the room surrounds the eye";
}

INSTANTIATE_TEST_SUITE_P(Room, RoomTest,
                         ::testing::Values(RoomCase{"first_frame", {}, 0, 1},
                                           RoomCase{"quarter_turn_about_y", {kUp}, 5120, -1},
                                           RoomCase{"full_turn_about_x_and_z", Presses(kUp, 4),
                                                    20480, 1}),
                         [](const auto& info) { return std::string(info.param.what); });

// --- Keys, counters and play, on fresh instances of each plug-in ---

struct KeyTable {
  const char* deliverable;
  std::vector<std::int32_t> speeds;  // by down-key step
  int upCycle;                       // up-key steps before the choices repeat
  int distinctChoices;               // of which differ: planes only alternate
  std::uint32_t ms;                  // how long the test frame moves
};

void PrintTo(const KeyTable& k, std::ostream* os) {
  *os << k.deliverable;
}

class KeysTest : public ::testing::TestWithParam<KeyTable> {
 protected:
  Frame After(const std::vector<std::uint32_t>& keys, std::uint32_t ms = 0) {
    return RenderAfter(GetParam().deliverable, keys, {0, ms == 0 ? GetParam().ms : ms});
  }
};

// Speed s for t ms draws what the first speed s0 draws for s x t / s0 ms.
TEST_P(KeysTest, DownKeyCyclesTheSpeeds) {
  const KeyTable& k = GetParam();
  for (int n = 1; n <= 7; ++n) {
    SCOPED_TRACE(n);
    const std::int32_t speed = k.speeds[n % 7];
    EXPECT_EQ(After(Presses(kDown, n)), After({}, k.ms * speed / k.speeds[0]));
  }
  EXPECT_NE(After({kDown}), After({})) << "the speed matters";
}

TEST_P(KeysTest, UpKeyCyclesTheChoicesAndCountersSurviveARecreation) {
  const KeyTable& k = GetParam();
  std::vector<Frame> byPresses;
  for (int n = 0; n <= k.upCycle; ++n) byPresses.push_back(After(Presses(kUp, n)));
  for (int n = 0; n <= k.upCycle; ++n)
    EXPECT_EQ(byPresses[n], byPresses[n % k.distinctChoices]) << n;
  for (int a = 0; a < k.distinctChoices; ++a)
    for (int b = a + 1; b < k.distinctChoices; ++b)
      EXPECT_NE(byPresses[a], byPresses[b]) << a << " vs " << b;

  const Frame in = GradientFrame();
  LibraryRun run(k.deliverable);
  run.Keys({kUp, kDown, kDown});  // no scene: nothing steps
  ASSERT_EQ(run.Create(), 1);
  run.Keys({kUp, kDown, kDown});
  ASSERT_EQ(run.Recreate(), 1);
  run.Play(kStart);
  run.Frame(kStart, in);
  EXPECT_EQ(run.Frame(kStart + k.ms, in), byPresses[0])
      << "a new scene starts from its initial settings";
  ASSERT_EQ(run.calls().ReleaseDll(), 1);
  run.Keys({kUp, kDown, 456});  // no scene again
  run.Play(kStart);
  ASSERT_EQ(run.Create(), 1);
  run.Keys({kUp, kDown, 0, 201, 0x1C8});  // 0x1C8 is the up key in its low byte
  run.Play(kStart);
  run.Frame(kStart, in);
  EXPECT_EQ(run.Frame(kStart + k.ms, in),
            RenderAfter(k.deliverable, {kUp, kUp, kUp, kDown, kDown, kDown}, {0, k.ms}))
      << "the counters went on from where they were";
}

INSTANTIATE_TEST_SUITE_P(
    Effects, KeysTest,
    ::testing::Values(KeyTable{"gl_flat_resize", {2, 4, 6, 8, 10, 12, 14}, 3, 3, 400},
                      KeyTable{"gl_planes", {1, 2, 3, 4, 5, 6, 7}, 8, 2, 400},
                      KeyTable{"gl_room", {1, 2, 3, 4, 5, 6, 7}, 7, 7, 1000},
                      KeyTable{"gl_flat_rotation", {2, 4, 6, 8, 10, 13, 16}, 7, 7, 400},
                      KeyTable{"gl_flat_move", {4, 6, 8, 10, 12, 14, 16}, 7, 7, 400}),
    [](const auto& info) { return std::string(info.param.deliverable); });

}  // namespace
}  // namespace lw::test

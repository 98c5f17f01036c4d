// The GL framework: texel conversion and keying, the phase clock and sine table, the
// renderer's bitmap, textures and projection, and the frame path around an effect (the
// layout test, the SmallSurface, display depths, threads), driven through the hooks of
// plug-ins linked into this test. Its failure paths are in the failure catalogue.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>

#include "effects/gl/tile_chain.h"
#include "gl_frames.h"
#include "lw/gl/frame_path.h"
#include "lw/gl/texels.h"
#include "lw/platform.h"

namespace lw::test {
namespace {

using gl::PhaseClock;
using gl::PixelLayout;

// --- Texels ---

struct TexelCase {
  PixelLayout layout;
  std::uint16_t pixel;
  std::uint8_t r, g, b;
  bool keyedAway;  // alpha 0 where the plug-in keys near black
};

TEST(TexelTest, ConversionAndNearBlackKeying) {
  const TexelCase cases[] = {
      {PixelLayout::Rgb555, 0x7FFF, 248, 248, 248, false},
      {PixelLayout::Rgb555, 0xFFFF, 248, 248, 248, false},  // bit 15 ignored
      {PixelLayout::Rgb565, 0xFFFF, 248, 252, 248, false},
      {PixelLayout::Rgb555, 0x0C63, 24, 24, 24, true},  // every channel 3
      {PixelLayout::Rgb555, 0x1063, 32, 24, 24, false},  // red 4
      {PixelLayout::Rgb565, 0x18E3, 24, 28, 24, true},  // green 7 of 63
      {PixelLayout::Rgb565, 0x1903, 24, 32, 24, false},  // green 8
      {PixelLayout::Rgb565, 0x0000, 0, 0, 0, true},
  };
  for (const auto& c : cases)
    for (bool key : {false, true}) {
      SCOPED_TRACE(testing::Message() << std::hex << c.pixel << " key " << key);
      const std::uint32_t t = gl::TexelOf(c.pixel, c.layout, key);
      EXPECT_EQ(t & 0xFF, c.r);
      EXPECT_EQ((t >> 8) & 0xFF, c.g);
      EXPECT_EQ((t >> 16) & 0xFF, c.b);
      EXPECT_EQ(t >> 24, key && c.keyedAway ? 0u : 255u);
      // The frame conversion agrees with the single texel.
      std::uint16_t four[4] = {c.pixel, c.pixel, c.pixel, c.pixel};
      std::uint32_t out[4] = {};
      gl::ConvertFrameToTexels(four, 4, 1, c.layout, key, out);
      for (std::uint32_t o : out) EXPECT_EQ(o, t);
    }
}

TEST(TexelTest, OnlyTheBlendingPluginsKeyNearBlack) {
  for (const auto& row : gl::kRendererSettings) {
    const bool chainWithBlending = row.deliverable == "gl_split_mulch_rotation" ||
                                   row.deliverable == "gl_mulch_rotation";
    EXPECT_EQ(row.keyNearBlack, chainWithBlending) << row.deliverable;
    EXPECT_EQ(row.blending, chainWithBlending) << row.deliverable;
  }
}

// Every 16-bit value through the whole-frame conversion, in rows wide enough for the
// vector paths and with a tail for the four-pixel loop, agrees with the single texel.
TEST(TexelTest, FrameConversionAgreesForEveryPixelValue) {
  constexpr int kWidth = 260, kHeight = 253;  // 65780 pixels: every value, then a few again
  std::vector<std::uint16_t> f(kWidth * kHeight);
  for (std::size_t i = 0; i < f.size(); ++i) f[i] = static_cast<std::uint16_t>(i * 40503u);
  std::vector<std::uint32_t> texels(f.size());
  for (PixelLayout layout : {PixelLayout::Rgb555, PixelLayout::Rgb565})
    for (bool key : {false, true}) {
      gl::ConvertFrameToTexels(f.data(), kWidth, kHeight, layout, key, texels.data());
      int wrong = 0;
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const std::uint16_t p = f[static_cast<std::size_t>(kHeight - 1 - y) * kWidth + x];
          if (texels[static_cast<std::size_t>(y) * kWidth + x] != gl::TexelOf(p, layout, key) && wrong++ < 5)
            ADD_FAILURE() << std::hex << "pixel " << p << " key " << key;
        }
      EXPECT_EQ(wrong, 0);
    }
}

TEST(TexelTest, RowsAreStoredBottomFirst) {
  Frame f(320 * 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) f[y * 320 + x] = static_cast<std::uint16_t>((y << 5) | (x & 31));
  std::vector<std::uint32_t> texels(320 * 240);
  gl::ConvertFrameToTexels(f.data(), 320, 240, PixelLayout::Rgb565, false, texels.data());
  EXPECT_EQ(texels[239 * 320 + 0], gl::TexelOf(f[0], PixelLayout::Rgb565, false)) << "top-left";
  EXPECT_EQ(texels[0], gl::TexelOf(f[239 * 320], PixelLayout::Rgb565, false)) << "bottom-left";
  EXPECT_EQ(texels[319], gl::TexelOf(f[239 * 320 + 319], PixelLayout::Rgb565, false));
}

// --- Clock and sines ---

struct AdvanceCase {
  const char* what;
  std::int32_t stepsPerTurn, phase, speed, direction;
  std::uint32_t elapsed;
  std::int32_t expected;
};

TEST(PhaseClockTest, AdvanceByElapsedTime) {
  const AdvanceCase cases[] = {
      {"19 ms at speed 1", 1024, 0, 1, 1, 19, 0},
      {"20 ms at speed 1", 1024, 0, 1, 1, 20, 1},
      {"speed 7 for 100 ms", 1024, 0, 7, 1, 100, 35},
      {"speed 0 holds", 1024, 10, 0, 1, 1000, 10},
      {"negative speed holds", 1024, 10, -3, 1, 1000, 10},
      {"landing on a whole turn stays", 1024, 1020, 1, 1, 80, 1024},
      {"above a turn folds", 1024, 1020, 1, 1, 100, 1},
      {"512 steps fold", 512, 500, 1, 1, 2240, 100},
      {"more than a turn folds once", 512, 0, 1, 1, 26000, 788},
      {"backward below zero folds", 1024, 3, 1, -1, 100, 1022},
      {"-19 steps of time give nothing backward", 1024, 5, 1, -1, 19, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetVirtualClock(5000);
    PhaseClock clock(c.stepsPerTurn);
    clock.Advance(c.speed, c.direction);  // the first reading counts no time
    EXPECT_EQ(clock.phase, 0);
    EXPECT_EQ(clock.lastTime, 5000u);
    clock.phase = c.phase;
    AdvanceVirtualClock(c.elapsed);
    clock.Advance(c.speed, c.direction);
    EXPECT_EQ(clock.phase, c.expected);
    EXPECT_EQ(clock.lastTime, 5000u + c.elapsed) << "the reading is taken whatever the speed";
  }
}

TEST(PhaseClockTest, LongGapFoldsOneTurnPerAdvanceAndTheClockWraps) {
  SetVirtualClock(0xFFFFFFF0u);
  PhaseClock clock(512);
  clock.Advance(1, 1);
  AdvanceVirtualClock(30);  // wraps past 2^32
  clock.Advance(1, 1);
  EXPECT_EQ(clock.phase, 1) << "elapsed is the true 30 ms across the wrap";
  clock.phase = 0;
  AdvanceVirtualClock(26000);
  clock.Advance(1, 1);
  EXPECT_EQ(clock.phase, 788);
  clock.Advance(1, 1);
  EXPECT_EQ(clock.phase, 276) << "the next advance folds once more";
  clock.Reset();
  EXPECT_EQ(clock.phase, 0);
  EXPECT_EQ(clock.lastTime, 0u);
}

TEST(PhaseClockTest, IncrementTruncatesTheSinglePrecisionFactor) {
  EXPECT_EQ(gl::PhaseIncrement(67108879u, 1, 1), 3355444);  // n x 0.05f rounds up past n / 20
  EXPECT_EQ(gl::PhaseIncrement(67108878u, 1, 1), 3355443);
  EXPECT_EQ(gl::PhaseIncrement(20, 1, -1), -1);
}

TEST(PhaseClockTest, AngleInDegrees) {
  PhaseClock c1024(1024), c512(512);
  c1024.phase = 256;
  EXPECT_EQ(c1024.AngleDegrees(), 90.0f);
  c1024.phase = 1024;
  EXPECT_EQ(c1024.AngleDegrees(), 360.0f);
  c512.phase = 128;
  EXPECT_EQ(c512.AngleDegrees(), 90.0f);
}

TEST(SineTableTest, ValuesAreBitExact) {
  gl::SineTable table;
  ASSERT_TRUE(table.Build());
  EXPECT_EQ(table.sine[0], 0.0f);
  EXPECT_EQ(table.sine[128], 1.0f);
  EXPECT_EQ(table.sine[384], -1.0f);
  EXPECT_EQ(table.sine[256], -8.742278e-8f);
  EXPECT_EQ(table.sine[512], 1.7484555e-7f);
  EXPECT_EQ(table.sine[640], table.sine[128]);
  EXPECT_NEAR(table.sine[1151], std::sin(1151 * 2 * M_PI / 512), 1e-6);
}

// --- Renderer ---

TEST(BitmapInfoTest, BlockPerDisplayDepth) {
  struct Case {
    int depth;
    std::size_t size;
    UINT usage;
    DWORD compression;
  } cases[] = {{8, 552, DIB_PAL_COLORS, BI_RGB},
               {16, 52, DIB_RGB_COLORS, BI_BITFIELDS},
               {24, 44, DIB_RGB_COLORS, BI_RGB},
               {32, 44, DIB_RGB_COLORS, BI_RGB}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.depth);
    const auto block = gl::MakeBitmapInfo(320, 240, c.depth);
    ASSERT_EQ(block.bytes.size(), c.size);
    EXPECT_EQ(block.usage, c.usage);
    const BITMAPINFOHEADER& h = block.info()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 320);
    EXPECT_EQ(h.biHeight, 240);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, c.depth);
    EXPECT_EQ(h.biCompression, c.compression);
    EXPECT_EQ(h.biSizeImage, 0u);
    const std::uint8_t* after = block.bytes.data() + 40;
    if (c.depth == 8) {
      for (std::uint16_t i = 0; i < 256; ++i) {
        std::uint16_t v;
        std::memcpy(&v, after + 2 * i, 2);
        ASSERT_EQ(v, i);
      }
    } else if (c.depth == 16) {
      DWORD masks[3];
      std::memcpy(masks, after, sizeof masks);
      EXPECT_EQ(masks[0], 0xF800u);
      EXPECT_EQ(masks[1], 0x07E0u);
      EXPECT_EQ(masks[2], 0x001Fu);
    } else {
      EXPECT_EQ(std::memcmp(after, "\0\0\0\0", 4), 0);
    }
  }
}

class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    SetDisplayDepth(32);
    dcs_ = LiveDeviceContextCount();
    bitmaps_ = LiveBitmapCount();
    contexts_ = LiveGLContextCount();
  }
  void TearDown() override {
    SetDisplayDepth(32);
    EXPECT_EQ(LiveDeviceContextCount(), dcs_) << "no device context left behind";
    EXPECT_EQ(LiveBitmapCount(), bitmaps_) << "no bitmap left behind";
    EXPECT_EQ(LiveGLContextCount(), contexts_) << "no context left behind";
  }
  static const gl::RendererSettings& Settings(std::string_view deliverable) {
    return *gl::FindRendererSettings(deliverable);
  }
  std::size_t dcs_ = 0, bitmaps_ = 0, contexts_ = 0;
};

TEST_F(RendererTest, TexturesProjectionAndSizes) {
  gl::GLRenderer r(Settings("gl_split_mulch_rotation"));
  EXPECT_EQ(r.lastTexture, -1);
  ASSERT_EQ(r.Create(320, 240), 1);
  EXPECT_EQ(r.ready, 1);
  r.SetupGL(PixelLayout::Rgb555, 0);
  EXPECT_EQ(r.layout, PixelLayout::Rgb555);
  EXPECT_EQ(r.textureWidth, 512);
  EXPECT_EQ(r.textureHeight, 256);
  EXPECT_EQ(r.imageWidth, 320);
  EXPECT_EQ(r.imageHeight, 240);
  EXPECT_EQ(r.maxS(), 0.625f);
  EXPECT_EQ(r.maxT(), 0.9375f);
  EXPECT_EQ(r.aspect, 4.0f / 3.0f);
  r.SetProjection(240, 320);
  EXPECT_EQ(r.aspect, 4.0f / 3.0f);
  ASSERT_TRUE(r.MakeCurrent());
  EXPECT_EQ(r.CreateTexture(), r.textureNames[0]);
  EXPECT_EQ(r.CreateTexture(), r.textureNames[1]);
  EXPECT_EQ(r.CreateTexture(), -1);
  r.ReleaseCurrent();
  EXPECT_EQ(r.DeleteContext(), TRUE);
}

TEST_F(RendererTest, SmallModeFillsItsTexture) {
  gl::GLRenderer r(Settings("gl_mulch_cylinder"));
  ASSERT_EQ(r.Create(320, 240), 1);
  r.SetupGL(PixelLayout::Rgb565, 1);
  EXPECT_EQ(r.textureWidth, 256);
  EXPECT_EQ(r.textureHeight, 128);
  EXPECT_EQ(r.imageWidth, 256);
  EXPECT_EQ(r.imageHeight, 128);
  EXPECT_EQ(r.maxS(), 1.0f);
  EXPECT_EQ(r.maxT(), 1.0f);
  r.DeleteContext();
}

// The upload as GL sees it: the picture in the lower-left of the texture, its top-left
// host pixel at texel (0, 239), the rest of the texture zero.
TEST_F(RendererTest, UploadPlacesThePictureBottomUp) {
  for (auto deliverable : {"gl_split_mulch_rotation", "gl_flat_rotation"}) {
    SCOPED_TRACE(deliverable);
    gl::GLRenderer r(Settings(deliverable));
    ASSERT_EQ(r.Create(320, 240), 1);
    r.SetupGL(PixelLayout::Rgb565, 0);
    ASSERT_TRUE(r.MakeCurrent());
    const auto texture = static_cast<GLuint>(r.CreateTexture());
    Frame f = GradientFrame();
    f[0] = 0x18E3;  // near black: keyed only where the plug-in keys
    r.UploadFrame(texture, f.data());
    std::vector<std::uint32_t> got(512 * 256);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, got.data());
    r.ReleaseCurrent();
    const bool key = r.settings().keyNearBlack;
    EXPECT_EQ(got[239 * 512], gl::TexelOf(0x18E3, PixelLayout::Rgb565, key));
    EXPECT_EQ(got[0], gl::TexelOf(f[239 * 320], PixelLayout::Rgb565, key));
    EXPECT_EQ(got[239 * 512 + 319], gl::TexelOf(f[319], PixelLayout::Rgb565, key));
    EXPECT_EQ(got[240 * 512], 0u) << "above the picture";
    EXPECT_EQ(got[320], 0u) << "right of the picture";
    r.DeleteContext();
  }
}

TEST_F(RendererTest, FailedCreateIsDestroyedCleanly) {
  const Fault faults[] = {Fault::MemoryDC, Fault::DibSection, Fault::ChoosePixelFormat,
                          Fault::SetPixelFormat, Fault::CreateContext};
  for (Fault f : faults) {
    SCOPED_TRACE(static_cast<int>(f));
    InjectFault(f, 1);
    {
      gl::GLRenderer r(Settings("gl_split_mulch_rotation"));
      EXPECT_EQ(r.Create(320, 240), 0);
      EXPECT_EQ(r.ready, 0);
      EXPECT_EQ(r.DeleteContext(), FALSE) << "no context to delete";
    }
    ClearFaults();
  }
}

// --- Frame path ---

class FramePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    surfaces_ = LiveSurfaceCount();
    dcs_ = LiveDeviceContextCount();
    contexts_ = LiveGLContextCount();
  }
  void TearDown() override {
    ClearFaults();
    SetDisplayDepth(32);
  }
  void ExpectNothingLeft() {
    EXPECT_EQ(LiveSurfaceCount(), surfaces_);
    EXPECT_EQ(LiveDeviceContextCount(), dcs_);
    EXPECT_EQ(LiveGLContextCount(), contexts_);
  }
  std::size_t surfaces_ = 0, dcs_ = 0, contexts_ = 0;
};

// A split mulch rotation created and played at 2000 ms that has shown `in` once.
std::unique_ptr<HookRun> StartedRun(const Frame& in) {
  auto run = std::make_unique<HookRun>(effects::kSplitMulchRotationHooks);
  EXPECT_EQ(run->Create(), 1);
  run->Play(2000);
  EXPECT_EQ(run->Frame(2000, in), 1);
  return run;
}

TEST_F(FramePathTest, LayoutDefaultsTo565WhenTheLayoutTestCannotLock) {
  const std::uint16_t white555 = 0x7FFF;
  for (bool lockFails : {false, true}) {
    SCOPED_TRACE(lockFails);
    HookRun run(effects::kSplitMulchRotationHooks, DisplayMode::Rgb555);
    if (lockFails) InjectFault(Fault::Lock, 1);
    ASSERT_EQ(run.Create(), 1);
    EXPECT_EQ(gl::CurrentRenderer()->layout, lockFails ? PixelLayout::Rgb565 : PixelLayout::Rgb555);
    run.Play(2000);
    ASSERT_EQ(run.Frame(2000, SolidFrame(white555)), 1);
    const std::uint32_t t = gl::TexelOf(white555, gl::CurrentRenderer()->layout, true);
    const std::uint16_t expected = static_cast<std::uint16_t>(
        ((t & 0xF8) << 7) | (((t >> 8) & 0xF8) << 2) | (((t >> 16) & 0xF8) >> 3));
    EXPECT_EQ(run.output()[120 * 320 + 40], expected);
  }
}

// The offscreen bitmap follows the display depth; each depth's picture reaches the
// host surface converted to its layout.
TEST_F(FramePathTest, EveryDisplayDepthRendersTheFrame) {
  const std::uint16_t colour = 0xA554;  // r 20, g 42, b 20 of RGB565
  struct Case {
    int depth;
    std::uint16_t expected;
  } cases[] = {{32, colour}, {24, colour}, {16, colour}, {8, 0xA510}};  // 3-3-2 keeps 3, 3 and 2 bits
  for (const auto& c : cases) {
    SCOPED_TRACE(c.depth);
    SetDisplayDepth(c.depth);
    HookRun run(effects::kSplitMulchRotationHooks);
    ASSERT_EQ(run.Create(), 1);
    ASSERT_EQ(gl::CurrentRenderer()->ready, 1);
    EXPECT_EQ(gl::CurrentRenderer()->pixelFormat.cColorBits, c.depth);
    run.Play(2000);
    ASSERT_EQ(run.Frame(2000, SolidFrame(colour)), 1);
    EXPECT_EQ(run.output()[100 * 320 + 100], c.expected);
  }
}

TEST_F(FramePathTest, CylinderRendersFromTheSmallSurface) {
  {
    HookRun run(effects::kMulchCylinderHooks);
    ASSERT_EQ(run.Create(), 1);
    ASSERT_NE(plugin::SmallSurface(), nullptr);
    EXPECT_EQ(gl::CurrentRenderer()->smallMode, 1);
    run.Play(2000);
    ASSERT_EQ(run.Frame(2000, GradientFrame()), 1);
    // The SmallSurface holds the stretched host frame.
    host::HostSurface probe(run.host().directDraw(), 256, 128);
    Blt(probe.get(), nullptr, plugin::SmallSurface(), nullptr, DDBLT_WAIT, nullptr);
    Frame small(256 * 128);
    probe.Read(small.data());
    const Frame in = GradientFrame();
    EXPECT_EQ(small[0], in[0]);
    EXPECT_EQ(small[127 * 256 + 255], in[(127 * 240 / 128) * 320 + 255 * 320 / 256]);
    // A host surface of another size is stretched, not read past: still a picture.
    host::HostSurface odd(run.host().directDraw(), 100, 50);
    EXPECT_EQ(effects::kMulchCylinderHooks.effectOut(odd.get()), 1);
  }
  ExpectNothingLeft();
}

// The host may call from any thread: each call makes the context current and releases
// it before returning.
TEST_F(FramePathTest, FramesFromTwoThreadsInTurn) {
  const Frame in = GradientFrame();
  auto started = StartedRun(in);
  HookRun& run = *started;
  const Frame mainOut = run.output();
  for (int i = 0; i < 2; ++i) {
    std::int32_t result = -1;
    std::thread([&] { result = run.Frame(2000, in); }).join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(run.output(), mainOut);
  }
}

TEST_F(FramePathTest, ReleaseAfterANotReadyRendererAndRepeatedCycles) {
  for (int i = 0; i < 3; ++i) {
    {
      HookRun run(effects::kSplitMulchRotationHooks);
      if (i == 1) InjectFault(Fault::CreateContext, 1);
      ASSERT_EQ(run.Create(), 1);
      run.Frame(2000, GradientFrame());
      effects::kSplitMulchRotationHooks.releaseDll();
      EXPECT_EQ(gl::CurrentRenderer(), nullptr);
    }
    ExpectNothingLeft();
  }
}

}  // namespace
}  // namespace lw::test

// Mosaic: the cells, the edges of odd sizes, the key rules, and the cell height kept
// across a re-creation. A failing lock is in the failure catalogue.
#include <gtest/gtest.h>

#include <numeric>

#include "effects/pixel/mosaic.h"
#include "harness.h"
#include "lw/platform.h"
#include "lw/plugin/surfaces.h"

namespace lw::effects {
namespace {

// Straight from the rule: every pixel takes the original value of its cell's top-left.
std::vector<std::uint16_t> Expected(const std::vector<std::uint16_t>& in, int w, int h, int ch) {
  std::vector<std::uint16_t> out(in.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out[y * w + x] = in[(y / ch * ch) * w + x / 8 * 8];
  return out;
}

struct CellCase {
  int width, height, cellHeight;
};

class MosaicPixelsTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(MosaicPixelsTest, EveryCellTakesItsTopLeftPixelAndNothingOutsideIsWritten) {
  const auto [w, h, ch] = GetParam();
  const std::size_t n = static_cast<std::size_t>(w) * h;
  std::vector<std::uint16_t> buffer(n + 16, 0xBEEF);
  std::iota(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n), 1);
  const std::vector<std::uint16_t> in(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
  MosaicPixels(buffer.data(), w, h, ch);
  EXPECT_EQ(std::vector<std::uint16_t>(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n)),
            Expected(in, w, h, ch));
  for (std::size_t i = n; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xBEEF) << "past the end";
}

INSTANTIATE_TEST_SUITE_P(Sizes, MosaicPixelsTest,
                         ::testing::Values(CellCase{320, 240, 8}, CellCase{320, 240, 256},
                                           CellCase{320, 240, 1}, CellCase{321, 2, 8},
                                           CellCase{7, 3, 2}, CellCase{0, 0, 8},
                                           CellCase{1, 1, 8}, CellCase{16, 5, 4}),
                         [](const auto& info) {
                           const CellCase& c = info.param;
                           return std::to_string(c.width) + "x" + std::to_string(c.height) +
                                  "_cell" + std::to_string(c.cellHeight);
                         });

TEST(MosaicKeysTest, UpDoublesToAtMost256AndDownHalvesToOne) {
  struct Case {
    std::int32_t from;
    std::uint8_t key;
    std::int32_t to;
  };
  const Case cases[] = {{8, 200, 16},   {128, 200, 256}, {240, 200, 480}, {256, 200, 256},
                        {8, 208, 4},    {2, 208, 1},     {1, 208, 1},             {8, 0, 8},
                        {8, 201, 8}};
  for (const Case& c : cases)
    EXPECT_EQ(MosaicCellHeightAfterKey(c.from, c.key), c.to) << c.from << " key " << int(c.key);
}

class MosaicPluginTest : public ::testing::Test {
 protected:
  void SetUp() override { host_ = test::FreshHost(); }
  std::unique_ptr<host::HostEnvironment> host_;
};

TEST_F(MosaicPluginTest, CellHeightSurvivesReleaseAndRecreation) {
  host::PluginLibrary lib(test::PrivateCopy("mosaic"));
  host::HostSurface surface(host_->directDraw(), 320, 240);
  const auto frame = test::PatternFrame(320, 240, 0);
  lib.calls().OnKeyTrigered(200);  // 16
  lib.calls().ReleaseDll();
  ASSERT_EQ(lib.calls().CeateDll(0, 0), 1);
  surface.Write(frame.data());
  ASSERT_EQ(lib.calls().EffectOut(surface.get()), 1);
  std::vector<std::uint16_t> out(frame.size());
  surface.Read(out.data());
  EXPECT_EQ(out, Expected(frame, 320, 240, 16));
}

TEST_F(MosaicPluginTest, RowsLieTwoBytesAPixelApartWhateverThePitch) {
  // A 320-pixel surface whose rows are 1024 bytes apart: the plug-in still takes the
  // first 320 x 240 pixels of its memory as packed rows and writes nothing beyond them.
  constexpr int kW = 320, kH = 240, kPitchPixels = 512;
  host::PluginLibrary lib(test::PrivateCopy("mosaic"));
  host::HostSurface surface(host_->directDraw(), kW, kH, kPitchPixels * 2);
  const std::size_t memory = std::size_t{kPitchPixels} * kH, packed = std::size_t{kW} * kH;
  std::vector<std::uint16_t> before(memory);
  std::iota(before.begin(), before.end(), 1);
  auto access = [&](auto use) {
    DDSURFACEDESC desc = plugin::EmptySurfaceDesc();
    ASSERT_EQ(Lock(surface.get(), nullptr, &desc, 0, nullptr), DD_OK);
    ASSERT_EQ(desc.lPitch, kPitchPixels * 2);
    use(static_cast<std::uint16_t*>(desc.lpSurface));
    Unlock(surface.get(), nullptr);
  };
  access([&](std::uint16_t* p) { std::copy(before.begin(), before.end(), p); });
  ASSERT_EQ(lib.calls().CeateDll(0, 0), 1);
  ASSERT_EQ(lib.calls().EffectOut(surface.get()), 1);
  std::vector<std::uint16_t> after(memory);
  access([&](std::uint16_t* p) { std::copy(p, p + memory, after.begin()); });
  const std::vector<std::uint16_t> packedIn(before.begin(), before.begin() + packed);
  EXPECT_TRUE(
      std::equal(after.begin(), after.begin() + packed, Expected(packedIn, kW, kH, 8).begin()));
  EXPECT_TRUE(std::equal(after.begin() + packed, after.end(), before.begin() + packed))
      << "nothing past the packed frame";
}

}  // namespace
}  // namespace lw::effects

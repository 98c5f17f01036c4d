// fxhost end to end: raw frames in and out through a plug-in with keys on the virtual
// clock, and one clear line with a non-zero exit for bad input.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "effects/pixel/mosaic.h"
#include "harness.h"

namespace lw::test {
namespace {

TEST(FxhostRenderTest, MosaicOnRawFramesWithKeys) {
  const auto dir = TempDir();
  std::vector<std::vector<std::uint16_t>> frames;
  for (int i = 0; i < 3; ++i) frames.push_back(PatternFrame(320, 240, i * 10));
  WriteRaw(dir / "in.raw", frames);
  const auto r = RunFxhost("render mosaic --input raw:" + (dir / "in.raw").string() + " --output " +
                        (dir / "out.raw").string() + " --frames 6 --keys up@3,up@4,down@4");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const auto out = ReadRaw(dir / "out.raw");
  ASSERT_EQ(out.size(), 6u * 320 * 240);
  const int cellHeights[6] = {8, 8, 8, 16, 16, 16};  // up, then up and down at frame 4
  for (int i = 0; i < 6; ++i) {
    auto expected = frames[std::min(i, 2)];  // the last input frame repeats
    effects::MosaicPixels(expected.data(), 320, 240, cellHeights[i]);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin() + i * 320 * 240)) << "frame " << i;
  }
}

TEST(FxhostRenderTest, PngOutputAndSequence) {
  const auto dir = TempDir();
  auto r = RunFxhost("render mosaic --frames 3 --output " + (dir / "last.png").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(std::filesystem::exists(dir / "last.png"));
  r = RunFxhost("render mosaic --frames 3 --size 64x48 --output " + (dir / "f%d.png").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::filesystem::exists(dir / ("f" + std::to_string(i) + ".png")));
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 4) << "no temporary files left";
}

TEST(FxhostRenderTest, BadInputGivesOneClearLineAndNoOutput) {
  const auto dir = TempDir();
  std::ofstream(dir / "short.raw") << "abc";
  std::ofstream(dir / "bad.png") << "not a png";
  std::ofstream(dir / "fake.so") << "not a library";
  const std::string out = " --output " + (dir / "o.raw").string();
  struct Case {
    std::string args;
    std::string says;
  };
  const Case cases[] = {
      {"render nosuchplugin" + out, "no plug-in named"},
      {"render " + (dir / "fake.so").string() + out, "cannot load"},
      {"render mosaic --input raw:" + (dir / "short.raw").string() + out, "not a whole number"},
      {"render mosaic --input raw:" + (dir / "missing.raw").string() + out, "missing.raw"},
      {"render mosaic --input " + (dir / "bad.png").string() + out, "bad.png"},
      {"render mosaic --size 320" + out, "--size"},
      {"render mosaic --keys up" + out, "--keys"},
      {"render mosaic --keys left@3" + out, "--keys"},
      {"render mosaic --fps zero" + out, "--fps"},
      {"render mosaic --fps 0" + out, "--fps"},
      {"render mosaic --output " + (dir / "nofolder" / "o.raw").string(), "cannot write"},
      {"render mosaic --output " + (dir / "o.xyz").string(), "unknown output"},
  };
  for (const Case& c : cases) {
    const auto r = RunFxhost(c.args);
    EXPECT_NE(r.exitCode, 0) << c.args;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "o.raw"));
}

TEST(FxhostOptionsTest, KeyCodesAreAny32BitValueAndOtherTextIsRefused) {
  const auto keys = host::ParseKeys("up@10,down@12,200@30,456@0,4294967240@7,0@1");
  const std::vector<std::pair<int, std::uint32_t>> expected = {
      {10, 200}, {12, 208}, {30, 200}, {0, 456}, {7, 0xFFFFFFC8u}, {1, 0}};
  ASSERT_EQ(keys.size(), expected.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(keys[i].frame, expected[i].first) << i;
    EXPECT_EQ(keys[i].code, expected[i].second) << i;
  }
  for (const char* bad : {"4294967296@1", "-1@2", "left@3", "up", "up@", "up@-1", "0x1C8@2"})
    EXPECT_THROW(host::ParseKeys(bad), std::invalid_argument) << bad;
}

TEST(FxhostListTest, ListsEveryBuiltPlugin) {
  const auto r = RunFxhost("list");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  for (const auto& name : BuiltPlugins()) EXPECT_NE(r.output.find(name), std::string::npos) << name;
  const auto info = RunFxhost("info mosaic");
  EXPECT_NE(info.output.find("LUMAWEAVE_PLUGIN.dll"), std::string::npos);
  EXPECT_NE(info.output.find("Mosaic Effect"), std::string::npos);
}

}  // namespace
}  // namespace lw::test

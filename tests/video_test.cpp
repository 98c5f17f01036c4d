// Video files, the thumbnail sheet, the showreel and the progress bar, end to end
// through fxhost: renders read back through the host's own input path, damaged files
// and unwritable outputs refused in one line with nothing left under the name.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "harness.h"
#include "lw/host/commands.h"
#include "lw/host/io.h"

namespace lw::test {
namespace {

using host::RgbImage;

// Mean absolute difference per channel.
double MeanError(const RgbImage& a, const RgbImage& b) {
  EXPECT_EQ(a.rgb.size(), b.rgb.size());
  if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 1e9;
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int{a.rgb[i]} - int{b.rgb[i]});
  return sum / static_cast<double>(a.rgb.size());
}

// The frames of a .raw render as 8-bit RGB.
std::vector<RgbImage> ReadRawFrames(const std::filesystem::path& path, int width, int height) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
  const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 2;
  std::vector<RgbImage> frames;
  for (std::size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
    host::Frame f{width, height, std::vector<std::uint16_t>(frameBytes / 2)};
    for (std::size_t i = 0; i < f.pixels.size(); ++i)
      f.pixels[i] = static_cast<std::uint16_t>(bytes[at + 2 * i] | (bytes[at + 2 * i + 1] << 8));
    frames.push_back(host::ToRgb(f, DisplayMode::Rgb565));
  }
  return frames;
}

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct RoundTrip {
  std::string file;
  int width, height;
  double fps;
  double tolerance;  // mean error per channel allowed for the compression
};

TEST(VideoRoundTripTest, RendersReadBackAsTheyWereRendered) {
  const RoundTrip cases[] = {
      {"rt.mp4", 320, 240, 25, 4.0},
      {"rt.mkv", 320, 240, 30, 4.0},
      {"rt.webm", 320, 240, 25, 4.5},
      {"rt.gif", 161, 121, 10, 1.0},  // odd size kept exactly; few colours, so nearly lossless
  };
  const auto dir = TempDir();
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string common = "render mosaic --frames 30 --keys up@10,down@20 --size " +
                               std::to_string(c.width) + "x" + std::to_string(c.height) +
                               " --fps " + std::to_string(c.fps) + " --output ";
    auto r = RunFxhost(common + (dir / c.file).string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    r = RunFxhost(common + (dir / "ref.raw").string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto reference = ReadRawFrames(dir / "ref.raw", c.width, c.height);
    ASSERT_EQ(reference.size(), 30u);

    const host::VideoInfo info = host::ReadVideoInfo((dir / c.file).string());
    EXPECT_EQ(info.frames, 30);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_NEAR(info.fps, c.fps, 0.01);

    const host::StreamFormat format{c.width, c.height, DisplayMode::Rgb565, c.fps};
    auto source = host::OpenSource((dir / c.file).string(), format);
    host::Frame frame, first;
    for (int i = 0; i < 30; ++i) {
      source->Next(frame);
      if (i == 0) first = frame;
      EXPECT_LT(MeanError(host::ToRgb(frame, DisplayMode::Rgb565), reference[i]), c.tolerance) << "frame " << i;
    }
    source->Next(frame);  // past the end the file starts over
    EXPECT_EQ(frame.pixels, first.pixels);
  }
}

TEST(VideoInputTest, ScaledToTheSurfaceSize) {
  const auto dir = TempDir();
  ASSERT_EQ(RunFxhost("render mosaic --frames 5 --output " + (dir / "big.mp4").string()).exitCode, 0);
  ASSERT_EQ(RunFxhost("render mosaic --frames 5 --output " + (dir / "big.raw").string()).exitCode, 0);
  auto source = host::OpenSource((dir / "big.mp4").string(), {160, 120, DisplayMode::Rgb565, 25});
  host::Frame frame;
  source->Next(frame);
  ASSERT_EQ(frame.width, 160);
  ASSERT_EQ(frame.pixels.size(), 160u * 120);
  // The rendered picture halved, up to the filter's softer edges and the compression.
  const RgbImage expected = host::ScaleRgb(ReadRawFrames(dir / "big.raw", 320, 240)[0], 160, 120);
  EXPECT_LT(MeanError(host::ToRgb(frame, DisplayMode::Rgb565), expected), 5.0);
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A 16-bit mono PCM WAV file with `samples` samples: a file FFmpeg reads with no video.
std::string WavFile(int samples) {
  auto le = [](std::uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  const std::uint32_t data = static_cast<std::uint32_t>(samples) * 2;
  return "RIFF" + le(36 + data, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
         le(16000, 4) + le(2, 2) + le(16, 2) + "data" + le(data, 4) + std::string(data, '\0');
}

TEST(VideoErrorTest, DamagedInputsAndBadOutputsGiveOneLineAndLeaveNothing) {
  const auto dir = TempDir();
  ASSERT_EQ(RunFxhost("render mosaic --frames 50 --output " + (dir / "good.mp4").string()).exitCode, 0);
  ASSERT_EQ(RunFxhost("render mosaic --frames 50 --output " + (dir / "good.webm").string()).exitCode, 0);
  for (const char* name : {"good.mp4", "good.webm"}) {
    std::ifstream in(dir / name, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    WriteBytes(dir / ("cut-" + std::string(name)), bytes.substr(0, bytes.size() / 2));
  }
  std::string noise;
  for (int i = 0; i < 4000; ++i) noise += static_cast<char>((i * 7919 + 13) & 0xFF);
  WriteBytes(dir / "noise.mp4", noise);
  WriteBytes(dir / "empty.mkv", "");
  WriteBytes(dir / "sound.wav", WavFile(8000));
  WriteBytes(dir / "afile", "x");
  const auto before = FilesIn(dir);

  const std::string out = " --output " + (dir / "out.mp4").string();
  struct Case {
    std::string args;
    std::string says;
  };
  const Case cases[] = {
      {"render mosaic --input " + (dir / "nothere.mp4").string() + out, "no input file"},
      {"render mosaic --input " + (dir / "noise.mp4").string() + out, "cannot read"},
      {"render mosaic --input " + (dir / "empty.mkv").string() + out, "cannot read"},
      {"render mosaic --input " + (dir / "cut-good.mp4").string() + out, "truncated"},
      {"render mosaic --input " + (dir / "cut-good.webm").string() + out, "ends early"},
      {"render mosaic --input " + (dir / "sound.wav").string() + out, "no video stream"},
      {"render mosaic --output " + (dir / "nofolder" / "o.mp4").string(), "cannot write"},
      {"render mosaic --output " + (dir / "afile" / "o.gif").string(), "cannot write"},
      {"render mosaic --output " + (dir / "o.flv").string(), "unknown output"},
      // Writing fails part way: the file size limit stops the encoder's output.
      {"render mosaic --frames 100" + out, "cannot write"},
  };
  for (const Case& c : cases) {
    const bool limited = &c == &cases[std::size(cases) - 1];
    const auto r = RunFxhost(c.args, limited ? "trap '' XFSZ; ulimit -f 8;" : "");
    EXPECT_NE(r.exitCode, 0) << c.args;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    EXPECT_EQ(FilesIn(dir), before) << c.args << ": a file was left behind";
  }
}

TEST(ThumbnailSheetTest, EveryPluginEnlargedEightTimesAndLabelled) {
  const auto dir = TempDir();
  const auto r = RunFxhost("thumbnails --output " + (dir / "sheet.png").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const RgbImage sheet = host::ReadPng((dir / "sheet.png").string());
  const auto plugins = host::ListPlugins();
  ASSERT_FALSE(plugins.empty());
  const int columns = std::min<int>(4, static_cast<int>(plugins.size()));
  const int rows = (static_cast<int>(plugins.size()) + 3) / 4;
  EXPECT_EQ(sheet.width, 16 + columns * (260 + 16));
  // Each cell: the thumbnail 160 by 120 centred in 260, then two lines of light text.
  const int cellHeight = (sheet.height - 16) / rows;
  for (std::size_t n = 0; n < plugins.size(); ++n) {
    SCOPED_TRACE(plugins[n].string());
    const RgbImage thumb = host::ThumbnailImage(plugins[n].string());
    ASSERT_EQ(thumb.width, 20);
    const int x0 = 16 + static_cast<int>(n % 4) * 276 + 50, y0 = 16 + static_cast<int>(n / 4) * cellHeight;
    int mismatches = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x)
        mismatches += std::memcmp(&sheet.rgb[((y0 + y) * sheet.width + x0 + x) * 3],
                                  &thumb.rgb[((y / 8) * 20 + x / 8) * 3], 3) != 0;
    EXPECT_EQ(mismatches, 0);
    int bright = 0;
    for (int y = y0 + 126; y < y0 + cellHeight - 16; ++y)
      for (int x = x0 - 50; x < x0 + 210; ++x) bright += sheet.rgb[(y * sheet.width + x) * 3] > 150;
    EXPECT_GT(bright, 40) << "the label";
  }
  EXPECT_NE(RunFxhost("thumbnails --output " + (dir / "sheet.jpg").string()).exitCode, 0);
  EXPECT_NE(RunFxhost("thumbnails --output " + (dir / "no" / "sheet.png").string()).exitCode, 0);
}

TEST(CaptionTest, LabelIsBurnedIntoTheOutputOnlyBottomLeft) {
  const auto dir = TempDir();
  ASSERT_EQ(RunFxhost("render mosaic --frames 20 --keys up@4 --output " + (dir / "plain.raw").string()).exitCode, 0);
  const auto r = RunFxhost("render mosaic --frames 20 --keys up@4 --label 'Mosaic Effect' --output " +
                           (dir / "label.raw").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const auto plain = ReadRawFrames(dir / "plain.raw", 320, 240);
  const auto label = ReadRawFrames(dir / "label.raw", 320, 240);
  ASSERT_EQ(plain.size(), 20u);
  ASSERT_EQ(label.size(), 20u);
  int changedWidth[20] = {};
  for (int f = 0; f < 20; ++f) {
    int minY = 240;
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x)
        if (std::memcmp(&plain[f].rgb[(y * 320 + x) * 3], &label[f].rgb[(y * 320 + x) * 3], 3) != 0) {
          minY = std::min(minY, y);
          changedWidth[f] = std::max(changedWidth[f], x + 1);
        }
    EXPECT_GT(minY, 200) << "frame " << f << ": only the bottom strip changes";
  }
  EXPECT_GT(changedWidth[0], 60);
  // The key press shows in the caption for half a second.
  EXPECT_GT(changedWidth[4], changedWidth[0]);
  EXPECT_EQ(changedWidth[19], changedWidth[0]);
}

TEST(ShowreelTest, EveryPluginInOneVideo) {
  const auto dir = TempDir();
  const auto r = RunFxhost("showreel --frames 10 --output " + (dir / "reel.mp4").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const auto info = host::ReadVideoInfo((dir / "reel.mp4").string());
  EXPECT_EQ(info.frames, 10 * static_cast<int>(host::ListPlugins().size())) << r.output;
  EXPECT_EQ(info.width, 320);
  const auto missing = RunFxhost("showreel --frames 10 --output " + (dir / "no" / "reel.mp4").string());
  EXPECT_NE(missing.exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

// fxhost's stderr on a pseudo-terminal, or through a pipe.
std::string RunOnTerminal(const std::string& args) {
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", (FxhostPath().string() + " " + args + " >/dev/null").c_str(), nullptr);
    _exit(127);
  }
  std::string out;
  char buffer[256];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
  close(master);
  waitpid(pid, nullptr, 0);
  return out;
}

TEST(ProgressTest, ShownOnATerminalOnly) {
  const auto dir = TempDir();
  const std::string args = "render mosaic --frames 20 --output " + (dir / "p.raw").string();
  const std::string terminal = RunOnTerminal(args);
  EXPECT_NE(terminal.find("20/20 frames"), std::string::npos) << terminal;
  EXPECT_NE(terminal.find("fps"), std::string::npos);
  EXPECT_NE(terminal.find("left"), std::string::npos);
  const auto piped = RunFxhost(args);
  EXPECT_EQ(piped.output.find("/20 frames"), std::string::npos) << piped.output;
  EXPECT_EQ(piped.output.find('\r'), std::string::npos) << piped.output;
  EXPECT_EQ(RunOnTerminal(args + " --no-progress").find("frames"), std::string::npos);
}

}  // namespace
}  // namespace lw::test

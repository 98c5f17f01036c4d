// The plug-ins' thumbnails: read from each file's resource section without loading it,
// shown as text art by `fxhost info` and as a labelled sheet by `fxhost thumbnails`.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "lw/host/commands.h"
#include "lw/host/elf_sections.h"
#include "lw/host/host_environment.h"
#include "lw/host/io.h"
#include "lw/host/plugin_library.h"
#include "lw/plugin/thumbnail.h"
#include "text.h"

namespace lw::host {
namespace {

struct Thumbnail {
  plugin::ThumbPixels pixels{};
  std::array<Rgb, 16> colours{};
};

std::optional<Thumbnail> ReadThumbnail(const std::string& pluginPath) {
  auto section = ReadElfSection(pluginPath, std::string(plugin::kResourceSection));
  plugin::ResourceRecord record;
  if (!section || section->size() < sizeof record) return std::nullopt;
  std::memcpy(&record, section->data(), sizeof record);
  Thumbnail thumb;
  if (record.size < plugin::kThumbnailSize || !plugin::DecodeThumbnail(record.data, record.size, &thumb.pixels))
    return std::nullopt;
  // The colour table follows the 40-byte header, 4 bytes an entry: blue, green, red, 0.
  for (int i = 0; i < 16; ++i) {
    const std::uint8_t* entry = record.data + plugin::kThumbHeaderSize + 4 * i;
    thumb.colours[i] = Rgb{entry[2], entry[1], entry[0]};
  }
  return thumb;
}

// Nearest-neighbour copy of `image` enlarged `scale` times at (x, y) of `sheet`.
void PasteScaled(RgbImage& sheet, const RgbImage& image, int x, int y, int scale) {
  for (int sy = 0; sy < image.height * scale; ++sy)
    for (int sx = 0; sx < image.width * scale; ++sx) {
      const int tx = x + sx, ty = y + sy;
      if (tx < 0 || ty < 0 || tx >= sheet.width || ty >= sheet.height) continue;
      const std::uint8_t* in = &image.rgb[(static_cast<std::size_t>(sy / scale) * image.width + sx / scale) * 3];
      std::memcpy(&sheet.rgb[(static_cast<std::size_t>(ty) * sheet.width + tx) * 3], in, 3);
    }
}

}  // namespace

std::vector<std::string> ThumbnailArt(const std::string& pluginPath) {
  const auto thumb = ReadThumbnail(pluginPath);
  if (!thumb) return {};
  std::vector<std::string> art;
  for (const auto& row : thumb->pixels) {
    std::string line;
    for (auto c : row) line += c == 2 ? "##" : c == 1 ? "++" : c == 0 ? ".." : "**";
    art.push_back(line);
  }
  return art;
}

RgbImage ThumbnailImage(const std::string& pluginPath) {
  const auto thumb = ReadThumbnail(pluginPath);
  if (!thumb) return {};
  RgbImage image{plugin::kThumbWidth, plugin::kThumbHeight, {}};
  for (const auto& row : thumb->pixels)
    for (auto c : row) {
      const Rgb& colour = thumb->colours[c & 15];
      image.rgb.insert(image.rgb.end(), {colour.r, colour.g, colour.b});
    }
  return image;
}

int ThumbnailsCommand(const std::vector<std::string>& args) {
  std::string output;
  int columns = 4;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--output" && i + 1 < args.size())
      output = args[++i];
    else if (args[i] == "--columns" && i + 1 < args.size())
      columns = std::clamp(std::atoi(args[++i].c_str()), 1, 64);
    else
      throw std::invalid_argument("usage: fxhost thumbnails --output sheet.png [--columns N]");
  }
  if (output.empty()) throw std::invalid_argument("usage: fxhost thumbnails --output sheet.png [--columns N]");
  std::string ext = std::filesystem::path(output).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext != ".png") throw std::runtime_error("cannot write " + output + ": the sheet is a .png file");
  AtomicFile file(output);  // fails now when the folder cannot take the file

  const auto plugins = ListPlugins();
  if (plugins.empty()) throw std::runtime_error("no plug-ins found (set FXHOST_PLUGIN_PATH)");
  HostEnvironment host(DisplayMode::Rgb565);  // so a plug-in can answer its name

  constexpr int kScale = 8;
  constexpr int kPad = 16;
  constexpr int kCellWidth = 260;
  constexpr int kThumbW = plugin::kThumbWidth * kScale, kThumbH = plugin::kThumbHeight * kScale;
  const TextMask probe = RenderText("Ag", 15, true);
  const TextMask probeSmall = RenderText("Ag", 12);
  const int cellHeight = kThumbH + 6 + probe.height + probeSmall.height + kPad;
  columns = std::min<int>(columns, static_cast<int>(plugins.size()));
  const int rows = (static_cast<int>(plugins.size()) + columns - 1) / columns;
  RgbImage sheet{kPad + columns * (kCellWidth + kPad), kPad + rows * cellHeight, {}};
  sheet.rgb.assign(static_cast<std::size_t>(sheet.width) * sheet.height * 3, 40);

  for (std::size_t n = 0; n < plugins.size(); ++n) {
    const int x = kPad + static_cast<int>(n % columns) * (kCellWidth + kPad);
    const int y = kPad + static_cast<int>(n / columns) * cellHeight;
    const std::string stem = plugins[n].stem().string();
    std::string name;
    try {
      name = PluginLibrary(plugins[n]).Name();
    } catch (const std::exception&) {
      name = "(cannot load)";
    }
    const RgbImage thumb = ThumbnailImage(plugins[n].string());
    const int tx = x + (kCellWidth - kThumbW) / 2;
    if (thumb.width > 0) {
      PasteScaled(sheet, thumb, tx, y, kScale);
    } else {
      BlendMask(sheet, SolidMask(kThumbW, kThumbH), tx, y, Rgb{70, 70, 70});
      const TextMask none = RenderText("no thumbnail", 12);
      BlendMask(sheet, none, tx + (kThumbW - none.width) / 2, y + (kThumbH - none.height) / 2, Rgb{200, 200, 200});
    }
    TextMask title = RenderText(name, 15, true);
    if (title.width > kCellWidth) title = RenderText(name, 15 * kCellWidth / title.width, true);
    const TextMask file = RenderText(stem, 12);
    const int ty = y + kThumbH + 6;
    BlendMask(sheet, title, x + std::max(0, (kCellWidth - title.width) / 2), ty, Rgb{255, 255, 255});
    BlendMask(sheet, file, x + std::max(0, (kCellWidth - file.width) / 2), ty + title.height, Rgb{170, 170, 170});
  }
  WritePng(file.tempPath(), sheet);
  file.Commit();
  std::cout << "wrote " << plugins.size() << " thumbnails to " << output << "\n";
  return 0;
}

}  // namespace lw::host

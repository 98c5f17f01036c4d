#include <cmath>
#include <sstream>
#include <stdexcept>

#include "lw/host/render.h"

namespace lw::host {
namespace {

int ParseInt(const std::string& text, const std::string& what, int min, int max) {
  return static_cast<int>(ParseWholeNumber(text, what, min, max));
}

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
  return parts;
}

}  // namespace

std::int64_t ParseWholeNumber(const std::string& text, const std::string& what, std::int64_t min,
                              std::int64_t max) {
  std::size_t used = 0;
  long long value = 0;
  try {
    value = std::stoll(text, &used, 10);
  } catch (...) {
    used = 0;
  }
  if (used == 0 || used != text.size() || value < min || value > max)
    throw std::invalid_argument(what + " must be a whole number from " + std::to_string(min) +
                                " to " + std::to_string(max) + ", not '" + text + "'");
  return value;
}

std::vector<KeyPress> ParseKeys(const std::string& list) {
  std::vector<KeyPress> keys;
  for (const std::string& item : Split(list, ',')) {
    const auto at = item.find('@');
    if (item.empty() || at == std::string::npos)
      throw std::invalid_argument("--keys wants KEY@FRAME items such as up@10, not '" + item + "'");
    const std::string key = item.substr(0, at);
    KeyPress press;
    press.frame = ParseInt(item.substr(at + 1), "the frame in --keys", 0, 1 << 30);
    if (key == "up")
      press.code = 200;
    else if (key == "down")
      press.code = 208;
    else
      // Any 32-bit value, as OnKeyTrigered takes it: the plug-ins read its low byte.
      press.code =
          static_cast<std::uint32_t>(ParseWholeNumber(key, "a key code in --keys", 0, 0xFFFFFFFF));
    keys.push_back(press);
  }
  return keys;
}

std::vector<int> ParseFrameList(const std::string& list) {
  std::vector<int> frames;
  if (list.empty() || list == "none") return frames;
  for (const std::string& item : Split(list, ','))
    frames.push_back(ParseInt(item, "a frame in --play-at", 0, 1 << 30));
  return frames;
}

RenderOptions ParseRenderOptions(const std::vector<std::string>& args) {
  RenderOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
      return args[++i];
    };
    if (a == "--input") {
      o.input = value();
    } else if (a == "--input2") {
      o.input2 = value();
    } else if (a == "--output") {
      o.output = value();
    } else if (a == "--frames") {
      o.frames = ParseInt(value(), "--frames", 1, 10'000'000);
    } else if (a == "--fps") {
      const std::string& v = value();
      std::size_t used = 0;
      double fps = 0;
      try {
        fps = std::stod(v, &used);
      } catch (...) {
        used = 0;
      }
      if (used == 0 || used != v.size() || !std::isfinite(fps) || fps < 0.1 || fps > 1000)
        throw std::invalid_argument("--fps must be a number from 0.1 to 1000, not '" + v + "'");
      o.fps = fps;
    } else if (a == "--size") {
      const std::string& v = value();
      const auto x = v.find('x');
      if (x == std::string::npos) throw std::invalid_argument("--size wants WxH such as 320x240, not '" + v + "'");
      o.width = ParseInt(v.substr(0, x), "the width in --size", 1, 8192);
      o.height = ParseInt(v.substr(x + 1), "the height in --size", 1, 8192);
    } else if (a == "--pixel-format") {
      const std::string& v = value();
      if (v == "rgb565")
        o.layout = DisplayMode::Rgb565;
      else if (v == "rgb555")
        o.layout = DisplayMode::Rgb555;
      else
        throw std::invalid_argument("--pixel-format is rgb565 or rgb555, not '" + v + "'");
    } else if (a == "--keys") {
      auto more = ParseKeys(value());
      o.keys.insert(o.keys.end(), more.begin(), more.end());
    } else if (a == "--play-at") {
      o.playAt = ParseFrameList(value());
    } else if (a == "--realtime") {
      o.realtime = true;
    } else if (a == "--label") {
      o.label = value();
    } else if (a == "--no-progress") {
      o.progress = false;
    } else {
      throw std::invalid_argument("unknown option '" + a + "'");
    }
  }
  return o;
}

}  // namespace lw::host

#include "palette.h"

#include <algorithm>

namespace lw::host {
namespace {

struct Colour {
  std::uint16_t value;  // the 16-bit pixel
  std::uint8_t rgb[3];
  std::uint32_t count;
};

struct Box {
  std::size_t begin, end;  // a range of the colour list
  int axis = 0;
  int range = 0;
  std::uint64_t weight = 0;
};

void Measure(const std::vector<Colour>& colours, Box& box) {
  int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
  box.weight = 0;
  for (std::size_t i = box.begin; i < box.end; ++i) {
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min<int>(lo[c], colours[i].rgb[c]);
      hi[c] = std::max<int>(hi[c], colours[i].rgb[c]);
    }
    box.weight += colours[i].count;
  }
  box.range = -1;
  for (int c = 0; c < 3; ++c)
    if (hi[c] - lo[c] > box.range) {
      box.range = hi[c] - lo[c];
      box.axis = c;
    }
}

}  // namespace

PalettedFrame QuantizeFrame(const Frame& frame, DisplayMode layout) {
  // The frame's distinct colours with their pixel counts.
  std::vector<std::uint32_t> histogram(65536, 0);
  for (std::uint16_t p : frame.pixels) ++histogram[p];
  std::vector<Colour> colours;
  for (std::uint32_t v = 0; v < histogram.size(); ++v)
    if (histogram[v] > 0) {
      Colour c{static_cast<std::uint16_t>(v), {}, histogram[v]};
      UnpackRgb(c.value, layout, c.rgb);
      colours.push_back(c);
    }
  if (colours.empty()) colours.push_back({0, {0, 0, 0}, 1});

  // Split the box with the widest spread (weighted by its pixels) at its median until
  // there are 256 boxes or none can be split.
  std::vector<Box> boxes{{0, colours.size()}};
  Measure(colours, boxes[0]);
  while (boxes.size() < 256) {
    Box* widest = nullptr;
    for (Box& b : boxes)
      if (b.end - b.begin > 1 && b.range > 0 &&
          (widest == nullptr || static_cast<std::uint64_t>(b.range) * b.weight >
                                    static_cast<std::uint64_t>(widest->range) * widest->weight))
        widest = &b;
    if (widest == nullptr) break;
    const int axis = widest->axis;
    std::sort(colours.begin() + static_cast<std::ptrdiff_t>(widest->begin),
              colours.begin() + static_cast<std::ptrdiff_t>(widest->end),
              [axis](const Colour& a, const Colour& b) { return a.rgb[axis] < b.rgb[axis]; });
    std::uint64_t half = widest->weight / 2, seen = 0;
    std::size_t split = widest->begin + 1;
    for (std::size_t i = widest->begin; i < widest->end - 1; ++i) {
      seen += colours[i].count;
      split = i + 1;
      if (seen >= half) break;
    }
    Box upper{split, widest->end};
    widest->end = split;
    Measure(colours, *widest);
    Measure(colours, upper);
    boxes.push_back(upper);
  }

  // Each box becomes the weighted mean of its colours; each colour maps to its box.
  PalettedFrame out;
  std::vector<std::uint8_t> lookup(65536, 0);
  for (std::size_t b = 0; b < boxes.size(); ++b) {
    std::uint64_t sum[3] = {0, 0, 0};
    for (std::size_t i = boxes[b].begin; i < boxes[b].end; ++i) {
      for (int c = 0; c < 3; ++c) sum[c] += std::uint64_t{colours[i].rgb[c]} * colours[i].count;
      lookup[colours[i].value] = static_cast<std::uint8_t>(b);
    }
    const std::uint64_t w = std::max<std::uint64_t>(1, boxes[b].weight);
    out.palette.push_back({static_cast<std::uint8_t>((sum[0] + w / 2) / w),
                           static_cast<std::uint8_t>((sum[1] + w / 2) / w),
                           static_cast<std::uint8_t>((sum[2] + w / 2) / w)});
  }
  out.indices.resize(frame.pixels.size());
  for (std::size_t i = 0; i < frame.pixels.size(); ++i) out.indices[i] = lookup[frame.pixels[i]];
  return out;
}

}  // namespace lw::host

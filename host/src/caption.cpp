#include "caption.h"

#include <algorithm>
#include <cmath>

namespace lw::host {

Caption::Caption(std::string label, int frameHeight, double fps)
    : label_(std::move(label)),
      pixelHeight_(std::max(9, frameHeight / 15)),
      flashFrames_(std::max(1, static_cast<int>(std::lround(fps / 2)))) {}

void Caption::Event(int frame, const std::string& what) {
  if (frame != lastEventFrame_) lastEvents_.clear();
  lastEventFrame_ = frame;
  lastEvents_ += (lastEvents_.empty() ? "" : " ") + what;
}

const TextMask& Caption::Mask(const std::string& text) {
  auto it = masks_.find(text);
  if (it == masks_.end()) it = masks_.emplace(text, RenderText(text, pixelHeight_, true)).first;
  return it->second;
}

void Caption::Burn(Frame& frame, DisplayMode layout, int index) {
  std::string text = label_;
  if (lastEventFrame_ >= 0 && index >= lastEventFrame_ && index < lastEventFrame_ + flashFrames_)
    text += "  [" + lastEvents_ + "]";
  if (text.empty()) return;
  const TextMask& mask = Mask(text);
  const int margin = std::max(2, pixelHeight_ / 4);
  const int x = margin, y = frame.height - mask.height - 2 * margin;
  BlendMask(frame, layout, SolidMask(mask.width + 2 * margin, mask.height + 2 * margin), x - margin,
            y - margin, Rgb{0, 0, 0}, 160);
  BlendMask(frame, layout, mask, x, y, Rgb{255, 255, 255});
}

}  // namespace lw::host

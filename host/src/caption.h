// A caption burned into the bottom-left corner of output frames: a label, and for half
// a second after each key press or play notification, what was pressed.
#pragma once
#include <map>
#include <string>

#include "lw/host/frames.h"
#include "text.h"

namespace lw::host {

class Caption {
 public:
  Caption(std::string label, int frameHeight, double fps);
  // Remembers an event ("up", "down", "play", a key number) delivered before `frame`.
  void Event(int frame, const std::string& what);
  void Burn(Frame& frame, DisplayMode layout, int index);

 private:
  const TextMask& Mask(const std::string& text);

  std::string label_;
  int pixelHeight_;
  int flashFrames_;
  int lastEventFrame_ = -1;
  std::string lastEvents_;
  std::map<std::string, TextMask> masks_;
};

}  // namespace lw::host

// A progress bar on stderr (frames, frames a second, time left), shown only when
// stderr is a terminal.
#pragma once
#include <chrono>

namespace lw::host {

class Progress {
 public:
  Progress(int total, bool enabled);
  void Update(int done);
  void Done();

 private:
  int total_;
  bool enabled_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDrawn_;
};

}  // namespace lw::host

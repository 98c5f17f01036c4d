// A progress bar on stderr (frames, frames a second, time left), shown only when
// stderr is a terminal.
#pragma once
#include <chrono>

namespace lw::host {

class Progress {
 public:
  Progress(int total, bool enabled);
  // Ends the bar's line when Done was not called (a render that failed part way), so
  // the error starts on a line of its own.
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  void Update(int done);
  void Done();

 private:
  int total_;
  bool enabled_;
  bool lineOpen_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDrawn_;
};

}  // namespace lw::host

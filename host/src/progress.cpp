#include "lw/host/progress.h"

#include <unistd.h>

#include <cstdio>

namespace lw::host {

Progress::Progress(int total, bool enabled)
    : total_(total), enabled_(enabled && isatty(STDERR_FILENO) == 1 && total > 0) {
  start_ = lastDrawn_ = std::chrono::steady_clock::now();
}

void Progress::Update(int done) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (done < total_ && now - lastDrawn_ < std::chrono::milliseconds(100)) return;
  lastDrawn_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double fps = seconds > 0 ? done / seconds : 0;
  const double left = fps > 0 ? (total_ - done) / fps : 0;
  constexpr int kWidth = 30;
  const int filled = done * kWidth / total_;
  char bar[kWidth + 1];
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = 0;
  std::fprintf(stderr, "\r[%s] %d/%d frames  %.1f fps  %.0fs left ", bar, done, total_, fps, left);
  std::fflush(stderr);
  lineOpen_ = true;
}

Progress::~Progress() {
  if (lineOpen_) std::fprintf(stderr, "\n");
}

void Progress::Done() {
  if (lineOpen_) std::fprintf(stderr, "\n");
  lineOpen_ = false;
}

}  // namespace lw::host

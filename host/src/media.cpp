#include "media.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <string>

namespace lw::host {

bool IsVideoOutputPath(const std::string& path) {
  for (const char* ext : {".mp4", ".mkv", ".webm", ".gif", ".mov", ".avi"})
    if (path.size() >= std::string(ext).size() && path.ends_with(ext)) return true;
  return false;
}

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

void QuietFfmpegLog() { av_log_set_level(AV_LOG_QUIET); }

}  // namespace lw::host

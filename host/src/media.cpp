#include "media.h"

#include <algorithm>
#include <stdexcept>

namespace lw::host {

bool IsVideoOutputPath(const std::string& path) {
  for (const char* ext : {".mp4", ".mkv", ".webm", ".gif", ".mov", ".avi"})
    if (path.size() >= std::string(ext).size() && path.ends_with(ext)) return true;
  return false;
}

std::unique_ptr<FrameSource> OpenVideoSource(const std::string& path, const StreamFormat&) {
  throw std::runtime_error("cannot read " + path +
                           ": video input is not supported yet (use testsrc, a .png or raw:FILE)");
}

std::unique_ptr<FrameSink> OpenVideoSink(const std::string& path, const StreamFormat&) {
  throw std::runtime_error("cannot write " + path +
                           ": video output is not supported yet (use .png or .raw)");
}

}  // namespace lw::host

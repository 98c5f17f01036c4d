// Video files through FFmpeg's libraries: the part of frame I/O the host keeps apart.
#pragma once
#include <memory>
#include <string>

#include "lw/host/io.h"

namespace lw::host {

bool IsVideoOutputPath(const std::string& path);
std::unique_ptr<FrameSource> OpenVideoSource(const std::string& path, const StreamFormat& format);
std::unique_ptr<FrameSink> OpenVideoSink(const std::string& path, const StreamFormat& format);

}  // namespace lw::host

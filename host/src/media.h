// Video files through FFmpeg's libraries: the part of frame I/O the host keeps apart.
#pragma once
#include <memory>
#include <string>

#include "lw/host/io.h"

namespace lw::host {

bool IsVideoOutputPath(const std::string& path);
// Decodes any file libavformat reads, scaled to the format's size; loops at the end.
std::unique_ptr<FrameSource> OpenVideoSource(const std::string& path, const StreamFormat& format);
// Encodes by extension: .mp4/.mov (H.264), .mkv (H.264), .webm (VP9 or VP8), .gif
// (a palette per frame), .avi (MPEG-4).
std::unique_ptr<FrameSink> OpenVideoSink(const std::string& path, const StreamFormat& format);

// FFmpeg's description of an error code.
std::string AvErrorText(int code);
// Keeps FFmpeg's own log quiet: the host reports failures itself, in one line.
void QuietFfmpegLog();

}  // namespace lw::host

// Where frames come from and where they go.
#pragma once
#include <memory>
#include <string>

#include "lw/host/frames.h"

namespace lw::host {

struct StreamFormat {
  int width = 320;
  int height = 240;
  DisplayMode layout = DisplayMode::Rgb565;
  double fps = 25;
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // Fills `frame` (already sized to the format) with the next frame.
  virtual void Next(Frame& frame) = 0;
};

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  virtual void Write(const Frame& frame) = 0;
  // Completes the output under its requested name. A sink destroyed without Finish
  // leaves nothing under that name.
  virtual void Finish() = 0;
};

// `testsrc` (the built-in animated pattern; `variant` 1 is the second pattern), an
// image file, `raw:FILE`, or a video file. Throws std::runtime_error with a clear
// message when the source cannot be read.
std::unique_ptr<FrameSource> OpenSource(const std::string& source, const StreamFormat& format,
                                        int variant = 0);
// By extension: .png (the last frame, or a sequence when the name holds %d), .raw,
// or a video container. Throws std::runtime_error when it cannot be written.
std::unique_ptr<FrameSink> OpenSink(const std::string& path, const StreamFormat& format);

// A video file decoded to the end: its pictures' size, their number, and the frame
// rate its stream declares. Throws std::runtime_error when the file cannot be read.
struct VideoInfo {
  int width = 0;
  int height = 0;
  int frames = 0;
  double fps = 0;
};
VideoInfo ReadVideoInfo(const std::string& path);

// The built-in pattern at time `seconds`.
RgbImage TestPattern(int width, int height, double seconds, int variant);

// PNG files through libpng. Throw std::runtime_error on failure.
RgbImage ReadPng(const std::string& path);
void WritePng(const std::string& path, const RgbImage& image);

// Writes through a temporary name in the same folder and renames it into place on
// Commit; removes the temporary file otherwise.
class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  const std::string& tempPath() const { return temp_; }
  const std::string& path() const { return path_; }
  void Commit();

 private:
  std::string path_;
  std::string temp_;
  bool committed_ = false;
};

}  // namespace lw::host

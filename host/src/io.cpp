#include "lw/host/io.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "media.h"

namespace lw::host {
namespace {

std::string Lowercase(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool HasExtension(const std::string& path, const char* ext) {
  return Lowercase(std::filesystem::path(path).extension().string()) == ext;
}

std::size_t FrameBytes(const StreamFormat& f) {
  return static_cast<std::size_t>(f.width) * f.height * 2;
}

class TestSource : public FrameSource {
 public:
  TestSource(const StreamFormat& f, int variant) : format_(f), variant_(variant) {}
  void Next(Frame& frame) override {
    RgbImage img = TestPattern(format_.width, format_.height, index_++ / format_.fps, variant_);
    frame = ToFrame(img, format_.layout);
  }

 private:
  StreamFormat format_;
  int variant_;
  int index_ = 0;
};

class StillSource : public FrameSource {
 public:
  StillSource(const RgbImage& image, const StreamFormat& f)
      : frame_(ToFrame(ScaleRgb(image, f.width, f.height), f.layout)) {}
  void Next(Frame& frame) override { frame = frame_; }

 private:
  Frame frame_;
};

// 16-bit little-endian frames of the chosen layout; the last one repeats when they
// run out.
class RawSource : public FrameSource {
 public:
  RawSource(const std::string& path, const StreamFormat& f) : path_(path), format_(f) {
    in_.open(path, std::ios::binary);
    if (!in_) throw std::runtime_error("cannot read raw input " + path + ": " + std::strerror(errno));
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    const std::size_t frame = FrameBytes(f);
    if (ec) throw std::runtime_error("cannot read raw input " + path + ": " + ec.message());
    if (frame == 0 || size < frame || size % frame != 0)
      throw std::runtime_error("raw input " + path + " holds " + std::to_string(size) +
                               " bytes, not a whole number of " + std::to_string(f.width) + "x" +
                               std::to_string(f.height) + " 16-bit frames (" +
                               std::to_string(frame) + " bytes each)");
    frames_ = size / frame;
  }
  void Next(Frame& frame) override {
    if (read_ < frames_) {
      last_.resize(static_cast<std::size_t>(format_.width) * format_.height);
      std::vector<unsigned char> bytes(last_.size() * 2);
      if (!in_.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error("raw input " + path_ + " ended early");
      for (std::size_t i = 0; i < last_.size(); ++i)
        last_[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      ++read_;
    }
    frame.width = format_.width;
    frame.height = format_.height;
    frame.pixels = last_;
  }

 private:
  std::string path_;
  StreamFormat format_;
  std::ifstream in_;
  std::size_t frames_ = 0;
  std::size_t read_ = 0;
  std::vector<std::uint16_t> last_;
};

void WriteRaw(std::FILE* out, const Frame& frame, const std::string& path) {
  std::vector<unsigned char> bytes(frame.pixels.size() * 2);
  for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
    bytes[2 * i] = static_cast<unsigned char>(frame.pixels[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<unsigned char>(frame.pixels[i] >> 8);
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
    throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

class RawSink : public FrameSink {
 public:
  explicit RawSink(const std::string& path) : file_(path) {
    out_ = std::fopen(file_.tempPath().c_str(), "wb");
    if (out_ == nullptr) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
  }
  ~RawSink() override {
    if (out_ != nullptr) std::fclose(out_);
  }
  void Write(const Frame& frame) override { WriteRaw(out_, frame, file_.path()); }
  void Finish() override {
    const bool ok = std::fclose(out_) == 0;
    out_ = nullptr;
    if (!ok) throw std::runtime_error("cannot write " + file_.path() + ": " + std::strerror(errno));
    file_.Commit();
  }

 private:
  AtomicFile file_;
  std::FILE* out_ = nullptr;
};

std::string SequenceName(const std::string& pattern, int index) {
  std::string out = pattern;
  out.replace(out.find("%d"), 2, std::to_string(index));
  return out;
}

class PngSink : public FrameSink {
 public:
  PngSink(const std::string& path, const StreamFormat& f) : path_(path), format_(f) {
    sequence_ = path.find("%d") != std::string::npos;
    // Fail now, not after the render, when the folder cannot take the file.
    AtomicFile probe(sequence_ ? SequenceName(path, 0) : path);
  }
  void Write(const Frame& frame) override {
    if (sequence_) {
      AtomicFile file(SequenceName(path_, index_++));
      WritePng(file.tempPath(), ToRgb(frame, format_.layout));
      file.Commit();
    } else {
      last_ = frame;
    }
  }
  void Finish() override {
    if (sequence_) return;
    if (last_.pixels.empty() && (last_.width == 0))
      throw std::runtime_error("no frame to write to " + path_);
    AtomicFile file(path_);
    WritePng(file.tempPath(), ToRgb(last_, format_.layout));
    file.Commit();
  }

 private:
  std::string path_;
  StreamFormat format_;
  bool sequence_ = false;
  int index_ = 0;
  Frame last_;
};

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  namespace fs = std::filesystem;
  fs::path p(path_);
  temp_ = (p.parent_path() / ("." + p.filename().string() + ".partial-" + std::to_string(getpid())))
              .string();
  std::FILE* probe = std::fopen(temp_.c_str(), "wb");
  if (probe == nullptr) throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
  std::fclose(probe);
}

AtomicFile::~AtomicFile() {
  if (!committed_) std::remove(temp_.c_str());
}

void AtomicFile::Commit() {
  if (std::rename(temp_.c_str(), path_.c_str()) != 0)
    throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
  committed_ = true;
}

std::unique_ptr<FrameSource> OpenSource(const std::string& source, const StreamFormat& format,
                                        int variant) {
  if (source == "testsrc") return std::make_unique<TestSource>(format, variant);
  if (source.starts_with("raw:")) return std::make_unique<RawSource>(source.substr(4), format);
  if (!std::filesystem::exists(source)) throw std::runtime_error("no input file " + source);
  if (HasExtension(source, ".png")) return std::make_unique<StillSource>(ReadPng(source), format);
  return OpenVideoSource(source, format);
}

std::unique_ptr<FrameSink> OpenSink(const std::string& path, const StreamFormat& format) {
  if (HasExtension(path, ".png")) return std::make_unique<PngSink>(path, format);
  if (HasExtension(path, ".raw")) return std::make_unique<RawSink>(path);
  if (IsVideoOutputPath(Lowercase(path))) return OpenVideoSink(path, format);
  throw std::runtime_error("cannot write " + path +
                           ": unknown output type (use .png, .raw, .mp4, .mkv, .webm or .gif)");
}

}  // namespace lw::host

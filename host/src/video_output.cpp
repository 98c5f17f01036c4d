// Video output: frames encoded through libavcodec and muxed through libavformat into a
// temporary file that is renamed into place once the trailer is written.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "media.h"
#include "palette.h"

namespace lw::host {
namespace {

struct OutputKind {
  const char* extension;
  const char* muxer;
  std::vector<const char*> encoders;  // the first this FFmpeg has is used
};

const OutputKind kOutputKinds[] = {
    {".mp4", "mp4", {"libx264", "mpeg4"}},     {".mov", "mov", {"libx264", "mpeg4"}},
    {".mkv", "matroska", {"libx264", "mpeg4"}}, {".webm", "webm", {"libvpx-vp9", "libvpx"}},
    {".gif", "gif", {"gif"}},                   {".avi", "avi", {"mpeg4"}},
};

const OutputKind& KindOf(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const OutputKind& kind : kOutputKinds)
    if (ext == kind.extension) return kind;
  throw std::runtime_error("cannot write " + path + ": unknown video type '" + ext + "'");
}

// Settings that make each encoder quick and clean at these small sizes.
void Tune(AVCodecContext* codec, const std::string& name) {
  if (name == "libx264") {
    av_opt_set(codec->priv_data, "preset", "veryfast", 0);
    av_opt_set(codec->priv_data, "crf", "18", 0);
  } else if (name == "libvpx-vp9" || name == "libvpx") {
    av_opt_set(codec->priv_data, "deadline", "realtime", 0);
    av_opt_set(codec->priv_data, "cpu-used", "8", 0);
    codec->bit_rate = 2'000'000;
  } else if (name == "mpeg4") {
    codec->flags |= AV_CODEC_FLAG_QSCALE;
    codec->global_quality = FF_QP2LAMBDA * 3;
  } else if (name == "gif") {
    // Each frame carries its own palette, so indices cannot be compared across frames.
    av_opt_set(codec->priv_data, "gifflags", "0", 0);
  }
}

class VideoSink : public FrameSink {
 public:
  VideoSink(const std::string& path, const StreamFormat& format)
      : kind_(KindOf(path)), file_(path), format_(format) {
    try {
      Open();
    } catch (...) {
      Close();  // the destructor does not run for a constructor that throws
      throw;
    }
  }

  // file_ then removes the temporary file unless Finish committed it.
  ~VideoSink() override { Close(); }

  void Write(const Frame& frame) override {
    int r = av_frame_make_writable(picture_);
    if (r < 0) Fail(r);
    if (gif_) {
      const PalettedFrame paletted = QuantizeFrame(frame, format_.layout);
      auto* palette = reinterpret_cast<std::uint32_t*>(picture_->data[1]);
      for (int i = 0; i < 256; ++i) {
        const auto& c = paletted.palette[std::min<std::size_t>(i, paletted.palette.size() - 1)];
        palette[i] = 0xFF000000u | (std::uint32_t{c[0]} << 16) | (std::uint32_t{c[1]} << 8) | c[2];
      }
      for (int y = 0; y < frame.height; ++y)
        std::memcpy(picture_->data[0] + static_cast<std::ptrdiff_t>(y) * picture_->linesize[0],
                    paletted.indices.data() + static_cast<std::size_t>(y) * frame.width, frame.width);
    } else {
      const RgbImage rgb = ToRgb(frame, format_.layout);
      const std::uint8_t* planes[4] = {rgb.rgb.data(), nullptr, nullptr, nullptr};
      const int strides[4] = {frame.width * 3, 0, 0, 0};
      sws_scale(scaler_, planes, strides, 0, frame.height, picture_->data, picture_->linesize);
    }
    picture_->pts = next_++;
    if ((r = avcodec_send_frame(codec_, picture_)) < 0) Fail(r, "the encoder refused a frame");
    Drain();
  }

  void Finish() override {
    int r = avcodec_send_frame(codec_, nullptr);
    if (r < 0) Fail(r);
    Drain();
    if ((r = av_write_trailer(muxer_)) < 0) Fail(r);
    r = avio_closep(&muxer_->pb);
    if (r < 0) Fail(r);
    file_.Commit();
  }

 private:
  void Open() {
    QuietFfmpegLog();
    int r = avformat_alloc_output_context2(&muxer_, nullptr, kind_.muxer, file_.tempPath().c_str());
    if (r < 0 || muxer_ == nullptr) Fail(r);

    const AVCodec* encoder = nullptr;
    for (const char* name : kind_.encoders)
      if ((encoder = avcodec_find_encoder_by_name(name)) != nullptr) break;
    if (encoder == nullptr) {
      std::string tried;
      for (const char* name : kind_.encoders) tried += (tried.empty() ? "" : ", ") + std::string(name);
      throw Error(std::string("this FFmpeg has no encoder for ") + kind_.extension + " (tried " + tried + ")");
    }
    gif_ = encoder->id == AV_CODEC_ID_GIF;

    codec_ = avcodec_alloc_context3(encoder);
    packet_ = av_packet_alloc();
    picture_ = av_frame_alloc();
    if (codec_ == nullptr || packet_ == nullptr || picture_ == nullptr) throw Error("out of memory");
    // 4:2:0 wants even sizes; such frames are scaled by at most one pixel.
    codec_->width = gif_ ? format_.width : (format_.width + 1) & ~1;
    codec_->height = gif_ ? format_.height : (format_.height + 1) & ~1;
    codec_->pix_fmt = gif_ ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_YUV420P;
    const AVRational rate = av_d2q(format_.fps, 100'000);
    codec_->time_base = av_inv_q(rate);
    codec_->framerate = rate;
    codec_->gop_size = std::max(1, static_cast<int>(std::lround(format_.fps * 2)));
    Tune(codec_, encoder->name);
    if (muxer_->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((r = avcodec_open2(codec_, encoder, nullptr)) < 0) Fail(r, std::string("cannot start the ") + encoder->name + " encoder");

    stream_ = avformat_new_stream(muxer_, nullptr);
    if (stream_ == nullptr) throw Error("out of memory");
    if ((r = avcodec_parameters_from_context(stream_->codecpar, codec_)) < 0) Fail(r);
    stream_->time_base = codec_->time_base;
    stream_->avg_frame_rate = rate;

    picture_->format = codec_->pix_fmt;
    picture_->width = codec_->width;
    picture_->height = codec_->height;
    if ((r = av_frame_get_buffer(picture_, 0)) < 0) Fail(r);
    if (!gif_) {
      scaler_ = sws_getContext(format_.width, format_.height, AV_PIX_FMT_RGB24, codec_->width,
                               codec_->height, AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr);
      if (scaler_ == nullptr) throw Error("cannot set up the colour conversion");
    }

    if ((r = avio_open(&muxer_->pb, file_.tempPath().c_str(), AVIO_FLAG_WRITE)) < 0) Fail(r);
    AVDictionary* options = nullptr;
    if (std::strcmp(kind_.muxer, "mp4") == 0 || std::strcmp(kind_.muxer, "mov") == 0)
      av_dict_set(&options, "movflags", "+faststart", 0);
    r = avformat_write_header(muxer_, &options);
    av_dict_free(&options);
    if (r < 0) Fail(r);
  }

  void Close() {
    sws_freeContext(scaler_);
    scaler_ = nullptr;
    av_frame_free(&picture_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    if (muxer_ != nullptr) avio_closep(&muxer_->pb);
    avformat_free_context(muxer_);
    muxer_ = nullptr;
  }

  std::runtime_error Error(const std::string& why) const {
    return std::runtime_error("cannot write " + file_.path() + ": " + why);
  }
  [[noreturn]] void Fail(int code, const std::string& what = "") const {
    throw Error(what.empty() ? AvErrorText(code) : what + " (" + AvErrorText(code) + ")");
  }

  // Passes every packet the encoder has ready to the muxer.
  void Drain() {
    for (;;) {
      int r = avcodec_receive_packet(codec_, packet_);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
      if (r < 0) Fail(r, "the encoder failed");
      av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
      packet_->stream_index = stream_->index;
      r = av_interleaved_write_frame(muxer_, packet_);  // takes the packet's data
      if (r < 0) Fail(r);
      if (muxer_->pb != nullptr && muxer_->pb->error < 0) Fail(muxer_->pb->error);
    }
  }

  const OutputKind& kind_;
  AtomicFile file_;
  StreamFormat format_;
  AVFormatContext* muxer_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVStream* stream_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* picture_ = nullptr;
  SwsContext* scaler_ = nullptr;
  bool gif_ = false;
  std::int64_t next_ = 0;
};

}  // namespace

std::unique_ptr<FrameSink> OpenVideoSink(const std::string& path, const StreamFormat& format) {
  return std::make_unique<VideoSink>(path, format);
}

}  // namespace lw::host

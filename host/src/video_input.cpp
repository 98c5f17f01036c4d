// Video input: any file libavformat opens, its best video stream decoded, scaled to the
// surface size as 8-bit RGB and packed into the 16-bit layout. The file starts over when
// the render asks for more frames than it holds.
#include <cerrno>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "media.h"

namespace lw::host {
namespace {

std::string PixelFormatName(int format) {
  const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(format));
  return name != nullptr ? name : "unknown";
}

class VideoDecoder {
 public:
  VideoDecoder(const std::string& path, int width, int height)
      : path_(path), width_(width), height_(height) {
    try {
      Open();
    } catch (...) {
      Close();  // the destructor does not run for a constructor that throws
      throw;
    }
  }

  ~VideoDecoder() { Close(); }

  VideoDecoder(const VideoDecoder&) = delete;
  VideoDecoder& operator=(const VideoDecoder&) = delete;

  double FrameRate() const {
    const AVRational rate = format_->streams[stream_]->avg_frame_rate;
    return rate.den > 0 ? av_q2d(rate) : 0;
  }

  // The next picture, scaled (a size of 0 keeps the picture's own); false at the end
  // of the stream.
  bool Read(RgbImage& image) {
    for (;;) {
      int r = avcodec_receive_frame(codec_, frame_);
      if (r == 0) {
        if (frame_->best_effort_timestamp != AV_NOPTS_VALUE) lastTime_ = frame_->best_effort_timestamp;
        Convert(image);
        av_frame_unref(frame_);
        return true;
      }
      if (r == AVERROR_EOF) {
        CheckComplete();
        return false;
      }
      if (r != AVERROR(EAGAIN)) Fail(r, "corrupt video data");
      r = av_read_frame(format_, packet_);
      if (r == AVERROR_EOF) {
        avcodec_send_packet(codec_, nullptr);  // drain what the decoder holds
        continue;
      }
      if (r < 0) Fail(r, "the file is damaged");
      if (packet_->stream_index == stream_) {
        if (packet_->flags & AV_PKT_FLAG_CORRUPT) {
          av_packet_unref(packet_);
          throw Error("the file is truncated or damaged");
        }
        r = avcodec_send_packet(codec_, packet_);
        if (r < 0 && r != AVERROR(EAGAIN)) {
          av_packet_unref(packet_);
          Fail(r, "corrupt video data");
        }
      }
      av_packet_unref(packet_);
    }
  }

 private:
  void Open() {
    QuietFfmpegLog();
    int r = avformat_open_input(&format_, path_.c_str(), nullptr, nullptr);
    if (r < 0) Fail(r);
    if ((r = avformat_find_stream_info(format_, nullptr)) < 0) Fail(r);
    const AVCodec* codec = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream_ == AVERROR_STREAM_NOT_FOUND) throw Error("it holds no video stream");
    if (stream_ == AVERROR_DECODER_NOT_FOUND || codec == nullptr) {
      const AVCodecParameters* par = format_->streams[0]->codecpar;
      for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
          par = format_->streams[i]->codecpar;
      throw Error(std::string("this FFmpeg cannot decode its video (codec ") +
                  avcodec_get_name(par->codec_id) + ")");
    }
    if (stream_ < 0) Fail(stream_);
    codec_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (codec_ == nullptr || packet_ == nullptr || frame_ == nullptr) throw Error("out of memory");
    if ((r = avcodec_parameters_to_context(codec_, format_->streams[stream_]->codecpar)) < 0) Fail(r);
    if ((r = avcodec_open2(codec_, codec, nullptr)) < 0) Fail(r);
  }

  void Close() {
    sws_freeContext(scaler_);
    scaler_ = nullptr;
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
  }

  std::runtime_error Error(const std::string& why) const {
    return std::runtime_error("cannot read " + path_ + ": " + why);
  }
  [[noreturn]] void Fail(int code, const std::string& what = "") const {
    throw Error(what.empty() ? AvErrorText(code) : what + " (" + AvErrorText(code) + ")");
  }

  // When the container's header says how long the stream is, the pictures must reach
  // that far: a file cut short ends early.
  void CheckComplete() const {
    const AVStream* stream = format_->streams[stream_];
    std::int64_t duration = stream->duration;
    if (duration == AV_NOPTS_VALUE && format_->duration != AV_NOPTS_VALUE)
      duration = av_rescale_q(format_->duration, AV_TIME_BASE_Q, stream->time_base);
    if (format_->duration_estimation_method != AVFMT_DURATION_FROM_STREAM ||
        duration == AV_NOPTS_VALUE || duration <= 0 || lastTime_ == AV_NOPTS_VALUE)
      return;
    AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    if (rate.num <= 0) return;
    const std::int64_t frame = av_rescale_q(1, av_inv_q(rate), stream->time_base);
    const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    if (lastTime_ + 3 * frame < start + duration)
      throw Error("the file ends early (truncated?)");
  }

  void Convert(RgbImage& image) {
    if (frame_->width <= 0 || frame_->height <= 0 || frame_->format < 0)
      throw Error("a decoded picture has no size");
    const int width = width_ > 0 ? width_ : frame_->width;
    const int height = height_ > 0 ? height_ : frame_->height;
    scaler_ = sws_getCachedContext(scaler_, frame_->width, frame_->height,
                                   static_cast<AVPixelFormat>(frame_->format), width, height,
                                   AV_PIX_FMT_RGB24, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
    if (scaler_ == nullptr)
      throw Error(std::string("cannot convert its pictures (pixel format ") +
                  PixelFormatName(frame_->format) + ")");
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    std::uint8_t* planes[4] = {image.rgb.data(), nullptr, nullptr, nullptr};
    int strides[4] = {width * 3, 0, 0, 0};
    sws_scale(scaler_, frame_->data, frame_->linesize, 0, frame_->height, planes, strides);
  }

  std::string path_;
  int width_, height_;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwsContext* scaler_ = nullptr;
  int stream_ = -1;
  std::int64_t lastTime_ = AV_NOPTS_VALUE;
};

class VideoSource : public FrameSource {
 public:
  VideoSource(const std::string& path, const StreamFormat& format)
      : path_(path), format_(format), decoder_(std::make_unique<VideoDecoder>(path, format.width, format.height)) {
    // Decode the first picture now, so an unreadable file fails before the render starts.
    if (!decoder_->Read(first_)) throw std::runtime_error("cannot read " + path + ": it holds no video frames");
    haveFirst_ = true;
  }

  void Next(Frame& frame) override {
    RgbImage image;
    if (haveFirst_) {
      image = std::move(first_);
      haveFirst_ = false;
    } else if (!decoder_->Read(image)) {
      // Start over from the beginning: reopening works for every container, seekable or not.
      decoder_ = std::make_unique<VideoDecoder>(path_, format_.width, format_.height);
      if (!decoder_->Read(image)) throw std::runtime_error("cannot read " + path_ + ": it holds no video frames");
    }
    frame = ToFrame(image, format_.layout);
  }

 private:
  std::string path_;
  StreamFormat format_;
  std::unique_ptr<VideoDecoder> decoder_;
  RgbImage first_;
  bool haveFirst_ = false;
};

}  // namespace

std::unique_ptr<FrameSource> OpenVideoSource(const std::string& path, const StreamFormat& format) {
  return std::make_unique<VideoSource>(path, format);
}

VideoInfo ReadVideoInfo(const std::string& path) {
  VideoDecoder decoder(path, 0, 0);
  VideoInfo info;
  info.fps = decoder.FrameRate();
  RgbImage image;
  while (decoder.Read(image)) {
    ++info.frames;
    info.width = image.width;
    info.height = image.height;
  }
  return info;
}

}  // namespace lw::host

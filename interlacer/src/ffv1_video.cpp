#include "ffv1_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <cstring>

namespace veltrane {

namespace {

// Slices the encoder codes in parallel: enough for two processors, few
// enough that a 4K frame's working memory stays small.
constexpr int Slices = 4;
constexpr int EncoderThreads = 2;

std::string errorText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

} // namespace

struct Ffv1Video::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::int64_t next = 0;
    bool headerWritten = false;

    ~State()
    {
        if (format != nullptr && format->pb != nullptr)
            avio_closep(&format->pb);
        avformat_free_context(format);
        avcodec_free_context(&codec);
        av_frame_free(&frame);
        av_packet_free(&packet);
    }

    // Moves every packet the encoder has ready into the file.
    bool drain(std::string& reason)
    {
        for (;;) {
            const int got = avcodec_receive_packet(codec, packet);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return true;
            if (got < 0) {
                reason = "encoding failed: " + errorText(got);
                return false;
            }
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            const int written = av_interleaved_write_frame(format, packet);
            if (written < 0) {
                reason = errorText(written);
                return false;
            }
        }
    }

    bool encode(const AVFrame* input, std::string& reason)
    {
        const int sent = avcodec_send_frame(codec, input);
        if (sent < 0) {
            reason = "encoding failed: " + errorText(sent);
            return false;
        }
        return drain(reason);
    }
};

Ffv1Video::Ffv1Video() = default;

Ffv1Video::~Ffv1Video() = default;

bool Ffv1Video::open(const std::string& file, const std::string& container, cv::Size size, double fps,
                     std::string& reason)
{
    state_ = std::make_unique<State>();
    State& s = *state_;
    const char* muxer = container == ".avi" ? "avi" : "matroska";
    const AVCodec* ffv1 = avcodec_find_encoder(AV_CODEC_ID_FFV1);
    if (ffv1 == nullptr || avformat_alloc_output_context2(&s.format, nullptr, muxer, file.c_str()) < 0) {
        reason = "this FFmpeg has no FFV1 encoder or no " + std::string(muxer) + " muxer";
        return false;
    }
    s.format->flags |= AVFMT_FLAG_BITEXACT;
    s.stream = avformat_new_stream(s.format, nullptr);
    s.codec = avcodec_alloc_context3(ffv1);
    s.frame = av_frame_alloc();
    s.packet = av_packet_alloc();
    if (s.stream == nullptr || s.codec == nullptr || s.frame == nullptr || s.packet == nullptr) {
        reason = "out of memory";
        return false;
    }
    s.codec->width = size.width;
    s.codec->height = size.height;
    s.codec->pix_fmt = AV_PIX_FMT_BGR0;
    s.codec->time_base = av_inv_q(av_d2q(fps, 1001000));
    s.codec->framerate = av_d2q(fps, 1001000);
    s.codec->gop_size = 1;
    s.codec->thread_count = EncoderThreads;
    s.codec->flags |= AV_CODEC_FLAG_BITEXACT;
    av_opt_set_int(s.codec->priv_data, "slices", Slices, 0);
    av_opt_set_int(s.codec->priv_data, "level", 3, 0);
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER)
        s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int error = avcodec_open2(s.codec, ffv1, nullptr);
    if (error >= 0)
        error = avcodec_parameters_from_context(s.stream->codecpar, s.codec);
    s.stream->time_base = s.codec->time_base;
    s.stream->avg_frame_rate = s.codec->framerate;
    if (error >= 0)
        error = avio_open(&s.format->pb, file.c_str(), AVIO_FLAG_WRITE);
    if (error >= 0)
        error = avformat_write_header(s.format, nullptr);
    if (error < 0) {
        reason = errorText(error);
        return false;
    }
    s.headerWritten = true;
    s.frame->format = s.codec->pix_fmt;
    s.frame->width = size.width;
    s.frame->height = size.height;
    if (av_frame_get_buffer(s.frame, 0) < 0) {
        reason = "out of memory";
        return false;
    }
    return true;
}

bool Ffv1Video::write(const cv::Mat& image, std::string& reason)
{
    State& s = *state_;
    if (image.type() != CV_8UC3 || image.cols != s.frame->width || image.rows != s.frame->height) {
        reason = "frame " + std::to_string(s.next) + " is " + std::to_string(image.cols) + " x " +
                 std::to_string(image.rows) + (image.type() != CV_8UC3 ? " and not 8-bit colour" : "") +
                 ", the video's frames are " + std::to_string(s.frame->width) + " x " +
                 std::to_string(s.frame->height);
        return false;
    }
    if (av_frame_make_writable(s.frame) < 0) {
        reason = "out of memory";
        return false;
    }
    for (int y = 0; y < image.rows; ++y) { // BGR to BGR0
        const unsigned char* from = image.ptr<unsigned char>(y);
        unsigned char* to = s.frame->data[0] + static_cast<std::ptrdiff_t>(y) * s.frame->linesize[0];
        for (int x = 0; x < image.cols; ++x, from += 3, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = 0;
        }
    }
    s.frame->pts = s.next++;
    return s.encode(s.frame, reason);
}

bool Ffv1Video::finish(std::string& reason)
{
    State& s = *state_;
    if (!s.encode(nullptr, reason))
        return false;
    int error = av_write_trailer(s.format);
    if (error >= 0 && s.format->pb->error < 0)
        error = s.format->pb->error;
    const int closed = avio_closep(&s.format->pb);
    if (error >= 0)
        error = closed;
    if (error < 0) {
        reason = errorText(error);
        return false;
    }
    return true;
}

} // namespace veltrane

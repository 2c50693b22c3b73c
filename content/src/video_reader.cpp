#include "video_reader.h"

#include "veltrane/records/limits.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libswscale/swscale.h>
}

#include <cmath>

namespace veltrane {

namespace {

std::string errorText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

double seconds(AVRational rational)
{
    return rational.den == 0 ? 0.0 : av_q2d(rational);
}

bool sideFits(int width, int height)
{
    return width > 0 && height > 0 && width <= MaxImageSide && height <= MaxImageSide;
}

} // namespace

struct VideoReader::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* decoded = nullptr;
    SwsContext* scaler = nullptr;
    int stream = -1;
    bool flushed = false; // the file's end sent to the decoder

    ~State()
    {
        sws_freeContext(scaler);
        av_frame_free(&decoded);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    bool open(const std::string& file, std::string& problem)
    {
        int result = avformat_open_input(&format, file.c_str(), nullptr, nullptr);
        if (result >= 0)
            result = avformat_find_stream_info(format, nullptr);
        if (result < 0) {
            problem = errorText(result);
            return false;
        }
        const AVCodec* decoder = nullptr;
        stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        if (stream < 0 || decoder == nullptr) {
            problem = "it holds no video stream that can be decoded";
            return false;
        }
        const AVCodecParameters* parameters = format->streams[stream]->codecpar;
        if (!sideFits(parameters->width, parameters->height)) {
            problem = "its frames are " + std::to_string(parameters->width) + " x " +
                      std::to_string(parameters->height) + ", not 1 to " + std::to_string(MaxImageSide) +
                      " pixels a side";
            return false;
        }
        codec = avcodec_alloc_context3(decoder);
        packet = av_packet_alloc();
        decoded = av_frame_alloc();
        if (codec == nullptr || packet == nullptr || decoded == nullptr) {
            problem = "there was not enough memory to open it";
            return false;
        }
        result = avcodec_parameters_to_context(codec, parameters);
        codec->thread_count = 0; // as many as the processors
        codec->max_pixels = std::int64_t{MaxImageSide} * MaxImageSide; // a later frame may claim any size
        if (result >= 0)
            result = avcodec_open2(codec, decoder, nullptr);
        if (result < 0) {
            problem = "its video cannot be decoded: " + errorText(result);
            return false;
        }
        return true;
    }

    // Feeds the decoder packets of the video stream until it has a frame.
    int decodeNext()
    {
        for (;;) {
            const int received = avcodec_receive_frame(codec, decoded);
            if (received != AVERROR(EAGAIN))
                return received;
            if (flushed)
                return AVERROR_EOF;
            const int got = av_read_frame(format, packet);
            if (got == AVERROR_EOF) {
                flushed = true;
                avcodec_send_packet(codec, nullptr);
                continue;
            }
            if (got < 0)
                return got;
            const int sent = packet->stream_index == stream ? avcodec_send_packet(codec, packet) : 0;
            av_packet_unref(packet);
            if (sent < 0 && sent != AVERROR(EAGAIN))
                return sent;
        }
    }

    bool convert(cv::Mat& frame, std::string& problem)
    {
        const int width = decoded->width;
        const int height = decoded->height;
        if (!sideFits(width, height)) {
            problem = "a frame is " + std::to_string(width) + " x " + std::to_string(height) + ", not 1 to " +
                      std::to_string(MaxImageSide) + " pixels a side";
            return false;
        }
        scaler = sws_getCachedContext(scaler, width, height, static_cast<AVPixelFormat>(decoded->format), width,
                                      height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (scaler == nullptr) {
            problem = "its frames' pixel format cannot be converted";
            return false;
        }
        frame.create(height, width, CV_8UC3);
        std::uint8_t* rows[4] = {frame.data}; // swscale reads four planes' pointers and steps
        const int steps[4] = {static_cast<int>(frame.step)};
        sws_scale(scaler, decoded->data, decoded->linesize, 0, height, rows, steps);
        return true;
    }
};

VideoReader::VideoReader() = default;
VideoReader::~VideoReader() = default;
VideoReader::VideoReader(VideoReader&&) noexcept = default;
VideoReader& VideoReader::operator=(VideoReader&&) noexcept = default;

bool VideoReader::open(const std::string& file, std::string& problem)
{
    problem.clear();
    state_ = std::make_unique<State>();
    if (state_->open(file, problem))
        return true;
    state_.reset();
    return false;
}

bool VideoReader::read(cv::Mat& frame, std::string& problem)
{
    problem.clear();
    if (!state_)
        return false;
    const int result = state_->decodeNext();
    if (result == AVERROR_EOF)
        return false;
    if (result < 0) {
        problem = "a frame does not decode: " + errorText(result);
        return false;
    }
    const bool converted = state_->convert(frame, problem);
    av_frame_unref(state_->decoded);
    return converted;
}

double VideoReader::fps() const
{
    if (!state_)
        return 0.0;
    AVStream* stream = state_->format->streams[state_->stream];
    const double rate = seconds(av_guess_frame_rate(state_->format, stream, nullptr));
    return rate >= 0.1 && rate <= 1000.0 ? rate : 0.0; // the rates --fps takes; any other is none
}

double VideoReader::declaredFrames() const
{
    if (!state_)
        return 0.0;
    const AVStream* stream = state_->format->streams[state_->stream];
    if (stream->nb_frames > 0)
        return static_cast<double>(stream->nb_frames);
    double duration = 0.0;
    if (state_->format->duration > 0)
        duration = static_cast<double>(state_->format->duration) / AV_TIME_BASE;
    else if (stream->duration > 0)
        duration = static_cast<double>(stream->duration) * seconds(stream->time_base);
    return std::floor(duration * fps() + 0.5);
}

} // namespace veltrane

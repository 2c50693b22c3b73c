#include "support/jpeg_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <memory>

namespace veltrane {

namespace {

struct OutputFile {
    AVFormatContext* format = nullptr;
    ~OutputFile()
    {
        if (format != nullptr && format->pb != nullptr)
            avio_closep(&format->pb);
        avformat_free_context(format);
    }
};

struct Packet {
    AVPacket* packet = av_packet_alloc();
    ~Packet() { av_packet_free(&packet); }
};

} // namespace

bool writeJpegVideo(const std::string& file, const std::vector<cv::Mat>& frames, int damaged)
{
    if (frames.empty())
        return false;
    OutputFile output;
    if (avformat_alloc_output_context2(&output.format, nullptr, "matroska", file.c_str()) < 0)
        return false;
    AVStream* stream = avformat_new_stream(output.format, nullptr);
    if (stream == nullptr)
        return false;
    stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    stream->codecpar->codec_id = AV_CODEC_ID_MJPEG;
    stream->codecpar->width = frames[0].cols; // the header gives the first frame's size only
    stream->codecpar->height = frames[0].rows;
    stream->time_base = AVRational{1, 24};
    if (avio_open(&output.format->pb, file.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(output.format, nullptr) < 0)
        return false;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        std::vector<unsigned char> bytes;
        if (static_cast<int>(f) == damaged)
            bytes.assign(4096, 0x5a);
        else if (!cv::imencode(".jpg", frames[f], bytes, {cv::IMWRITE_JPEG_QUALITY, 95}))
            return false;
        Packet packet;
        if (packet.packet == nullptr || av_new_packet(packet.packet, static_cast<int>(bytes.size())) < 0)
            return false;
        std::copy(bytes.begin(), bytes.end(), packet.packet->data);
        packet.packet->stream_index = stream->index;
        packet.packet->pts = packet.packet->dts = av_rescale_q(static_cast<std::int64_t>(f), {1, 24}, stream->time_base);
        packet.packet->duration = av_rescale_q(1, {1, 24}, stream->time_base);
        packet.packet->flags |= AV_PKT_FLAG_KEY;
        if (av_interleaved_write_frame(output.format, packet.packet) < 0)
            return false;
    }
    return av_write_trailer(output.format) >= 0;
}

} // namespace veltrane

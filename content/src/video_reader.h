// A video's frames decoded in order with libavformat and libavcodec, each at
// the size its stream codes it (a reader that scales every frame to the
// first one's size hides a video whose frames change size), red first.
#pragma once

#include <opencv2/core.hpp>

#include <memory>
#include <string>

namespace veltrane {

class VideoReader {
public:
    VideoReader();
    ~VideoReader();
    VideoReader(VideoReader&&) noexcept;
    VideoReader& operator=(VideoReader&&) noexcept;

    // False with problem for a file that holds no video stream it can
    // decode, or frames larger than any image the programs take.
    bool open(const std::string& file, std::string& problem);

    // The next frame, red first, into frame (its memory reused when the
    // size stays). False at the end (problem empty), or with problem for a
    // frame that does not decode.
    bool read(cv::Mat& frame, std::string& problem);

    // The frames the header declares (its count, or its duration at its
    // frame rate, rounded), 0 when it gives neither.
    double declaredFrames() const;
    // The frame rate the stream gives, 0 when it gives none or one outside
    // 0.1 to 1000 frames a second.
    double fps() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace veltrane

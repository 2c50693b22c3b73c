// Lossless video of interlaced frames: FFV1 in Matroska (.mkv) or AVI
// (.avi), written with FFmpeg's own libraries so that every frame keeps every
// pixel at any size (odd ones too), every write is checked, and two runs
// with the same frames write the same bytes (no date, no random identifiers).
#pragma once

#include <opencv2/core.hpp>

#include <memory>
#include <string>

namespace veltrane {

class Ffv1Video {
public:
    Ffv1Video();
    ~Ffv1Video();
    Ffv1Video(const Ffv1Video&) = delete;
    Ffv1Video& operator=(const Ffv1Video&) = delete;

    // Starts a video of frames of size at fps in file, its container chosen
    // by container's extension (".mkv" or ".avi"). False with the reason in
    // a few words.
    bool open(const std::string& file, const std::string& container, cv::Size size, double fps,
              std::string& reason);

    // Encodes an 8-bit BGR frame of the video's size and writes it.
    bool write(const cv::Mat& frame, std::string& reason);

    // Writes what the encoder still holds and the container's index, and
    // closes the file; false when any of it failed.
    bool finish(std::string& reason);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace veltrane

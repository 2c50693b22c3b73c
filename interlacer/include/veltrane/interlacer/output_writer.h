// Where the interlaced frames go: one image, one PNG a frame (a path with
// {frame}), or a lossless video (.mkv or .avi, FFV1). Every file is written
// under a temporary name and moved into place once whole, without replacing
// anything that exists by then unless forced.
#pragma once

#include <opencv2/core.hpp>

#include "veltrane/records/atomic_file.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

class Ffv1Video;

class OutputWriter {
public:
    OutputWriter();
    ~OutputWriter();

    // Checks the output before any work: its kind and pattern, that a single
    // image gets a single frame, that its folder takes a file, and that
    // nothing would be overwritten. frameNumbers are the frames expected (a
    // video quilt may turn out to have more). False with a one-line message
    // (a usage error).
    bool prepare(const std::string& path, const std::vector<int>& frameNumbers, double fps, bool force,
                 bool allowLossy, std::string& message);

    // Writes frame number frame whole, or appends it to the video. For one
    // PNG a frame, calls for different frames may run at once.
    bool write(int frame, const cv::Mat& image, std::string& message);

    // True when every frame is a file of its own (written in any order, at once).
    bool framesIndependent() const { return kind_ == Kind::FramePattern; }

    // Finishes the video, or moves the image into place; false when it could
    // not be completed.
    bool finish(std::string& message);

    // Removes what is half written (a failed run).
    void abandon();

private:
    enum class Kind { Image, FramePattern, Video };

    std::string target(int frame) const;
    veltrane::Replace replace() const;
    bool writeVideo(const cv::Mat& image, std::string& message);

    Kind kind_ = Kind::Image;
    std::string path_;
    std::size_t expected_ = 0; // frames prepare was told of
    std::atomic<std::size_t> written_{0};
    double fps_ = 24.0;
    bool force_ = false;
    std::unique_ptr<Ffv1Video> video_;
    // The one output file (a video, or the image), under its temporary name
    // until finish moves it into place: an image that turns out to be one
    // of several frames is never left behind.
    std::unique_ptr<veltrane::AtomicFile> whole_;
};

} // namespace veltrane

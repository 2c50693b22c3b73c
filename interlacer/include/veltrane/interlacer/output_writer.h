// Where the interlaced frames go: one image, one PNG a frame (a path with
// {frame}), or a lossless video (.mkv or .avi, FFV1). Every file is written
// under a temporary name and renamed once whole; nothing existing is
// overwritten without force.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include "veltrane/records/atomic_file.h"

#include <memory>
#include <string>
#include <vector>

class OutputWriter {
public:
    ~OutputWriter();

    // Checks the output before any work: its kind, that a single image gets
    // a single frame, its folder, and that nothing would be overwritten.
    // frameNumbers are the frames to be written. False with a one-line
    // message (a usage error).
    bool prepare(const std::string& path, const std::vector<int>& frameNumbers, double fps, bool force,
                 bool allowLossy, std::string& message);

    // Writes frame i (of frameNumbers) whole, or appends it to the video.
    bool write(std::size_t index, const cv::Mat& frame, std::string& message);

    // Finishes the video; false when it could not be completed.
    bool finish(std::string& message);

    // Removes what is half written (a failed run).
    void abandon();

private:
    enum class Kind { Image, FramePattern, Video };

    std::string target(std::size_t index) const;
    veltrane::Replace replace() const;

    Kind kind_ = Kind::Image;
    std::string path_;
    std::vector<int> frames_;
    double fps_ = 24.0;
    bool force_ = false;
    cv::VideoWriter video_;
    std::unique_ptr<veltrane::AtomicFile> videoFile_; // the video being written, under its temporary name
};

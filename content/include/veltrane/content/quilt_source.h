// A quilt image or video, read one way by every program: its tiles (given,
// or from "_qs{C}x{R}" in its name) checked against the views the engine
// takes and against the quilt's size, and its frames read in order, red
// first (the panel's subpixel order, crossed once for all the tiles).
#pragma once

#include "veltrane/records/outcome.h"

#include <opencv2/core.hpp>

#include <memory>
#include <string>

namespace veltrane {

class VideoReader;

class QuiltSource {
public:
    QuiltSource();
    ~QuiltSource();

    // Opens file with columns x rows tiles (0 x 0: from its name). Usage for
    // tiles not given or too many; Failed for a file that cannot be read, or
    // that the tiles do not divide.
    Outcome open(const std::string& file, int columns, int rows);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int views() const { return columns_ * rows_; }
    cv::Size size() const { return first_.size(); } // of a whole quilt frame
    bool video() const { return video_; }
    // The frames a video's header declares (it may hold more, or fewer); 1
    // for an image; 0 when the header gives no count it can stand behind
    // (none, as from a pipe, or more than MaxDeclaredFrames).
    int declaredFrames() const { return declared_; }
    // The video's frame rate, 0 when it gives none (or for an image).
    double fps() const { return fps_; }

    // Frame f, red first: frame 0 at once (an image has no other), a video's
    // frame f read after f - 1, from the start again for an earlier one.
    // False at the end (problem empty), or with problem for a frame of
    // another size or one that does not decode.
    bool read(int f, cv::Mat& quilt, std::string& problem);

    // The frames read so far from the start: after a read that failed at
    // the video's end, the frames it holds.
    int framesRead() const { return next_; }

private:
    std::string file_;
    int columns_ = 0;
    int rows_ = 0;
    bool video_ = false;
    std::unique_ptr<VideoReader> reader_;
    cv::Mat first_; // frame 0, red first
    int next_ = 0;  // the video frame read next
    int declared_ = 1;
    double fps_ = 0.0;
};

} // namespace veltrane

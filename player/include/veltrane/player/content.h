// What the player shows, frame by frame: the views of a frame at the output
// size (numbered view files, or the tiles of a quilt image or video), or an
// interlaced image as it is. Views are read as veltrane-interlace reads them
// (the same resizing, the same channel order), so that a frame composed from
// them is the interlacer's frame.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/player/play_options.h"
#include "veltrane/records/outcome.h"

#include <opencv2/core.hpp>
#include "veltrane/content/quilt_source.h"

#include <atomic>
#include <limits>

#include <string>
#include <vector>

namespace veltrane {

// The tiles of a quilt frame: enlarged to the output size a few at a time
// while the frame is composed, so that a frame of many 4K views never holds
// them all.
struct QuiltFrame {
    cv::Mat quilt; // red first
    int columns = 0;
    int rows = 0;
    bool topLeft = false;
    bool nearest = false; // tiles read to their nearest pixels, else enlarged smoothly
};

// One frame of content.
struct ContentFrame {
    std::vector<cv::Mat> views;                           // view files at the output size
    veltrane::ChannelOrder order = veltrane::ChannelOrder::Bgr; // of the views' bytes
    QuiltFrame quilt;                                     // or the tiles of a quilt
    cv::Mat image;                                        // or the interlaced frame, shown as it is
};

// The frames of a video that declares no count, until its end is found.
constexpr int UncountedFrames = std::numeric_limits<int>::max();

class Content {
public:
    // Opens what the options name: a usage error, or what was found wrong
    // with the content, in one line.
    Outcome open(const PlayOptions& options);

    // The frames; for a video, what it declares (or UncountedFrames) until
    // its end is found.
    int frames() const { return frames_.load(); }
    cv::Size size() const { return size_; }
    int views() const { return views_; }
    double fps() const { return fps_; }
    // A view's or tile's size, which is stretched (or contained) to size();
    // the output's own size for an interlaced image or video.
    cv::Size sourceSize() const { return sourceSize_; }
    // The number of frame f as veltrane-interlace's --frames counts it: a view
    // file's frame number, a video's frame from 0.
    long frameNumber(long f) const;

    // Frame f (0 <= f < frames()). False with the problem: a view that cannot
    // be read, or a video that ends or breaks before frame f (frames() is
    // then the frames it has).
    bool load(int f, ContentFrame& frame, std::string& problem);

private:
    enum class Kind { Image, Video, Views, Quilt };

    Outcome openImage(const std::string& image);
    Outcome openViews(const SourceOptions& options);
    Outcome openQuilt(const SourceOptions& options);
    bool loadViews(int f, ContentFrame& frame, std::string& problem);
    bool loadQuilt(int f, ContentFrame& frame, std::string& problem);
    // Frame f of the quilt or video: false at its end or a broken frame.
    bool readVideoFrame(int f, cv::Mat& read, std::string& problem);
    cv::Mat fitted(const cv::Mat& view) const;

    Kind kind_ = Kind::Image;
    SourceOptions options_;
    std::string pattern_;
    std::vector<int> frameNumbers_;
    std::atomic<int> frames_{1}; // lowered by the thread that finds a video's end
    int views_ = 0;
    cv::Size size_;
    cv::Size viewSize_; // view 0's, which every view file must have
    cv::Size sourceSize_;
    bool contain_ = false;
    std::string file_; // the quilt or video
    double fps_ = 24.0;
    cv::Mat still_; // the interlaced image
    QuiltSource quilt_;
};

} // namespace veltrane

// The streaming composition of view files: views decoded a few ahead on all
// processors (in the panel's subpixel order), added into their frame a group
// at a time, one pass over the frame a group, and dropped. Memory holds a few
// views, never a frame's all; a frame of 45 views at 8K composes in a few
// hundred megabytes.
#pragma once

#include "veltrane/engine/interlace.h"
#include "veltrane/content/view_decoder.h"

#include <opencv2/core.hpp>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veltrane {

// What the stream is asked to compose.
struct StreamPlan {
    std::vector<std::string> files; // frame after frame: file f * viewsPerFrame + i is view file i of frame f
    int viewsPerFrame = 0;
    cv::Size viewSize;              // every view file must have this size
    std::size_t maxGroup = 4;       // views added in one pass at most (fewer when they are large)
    cv::Mat first;                  // file 0 already decoded (blue first), or empty
};

// Why a frame stopped short: a view that cannot be used, or no memory.
struct StreamFault {
    enum class Kind { None, Unreadable, WrongSize, NoMemory };
    Kind kind = Kind::None;
    std::size_t file = 0;  // the view file it concerns
    std::string problem;   // Unreadable: why, in a few words
    cv::Size size;         // WrongSize: the file's size
    Status status = Status::Done; // NoMemory: the engine's status

    explicit operator bool() const { return kind != Kind::None; }
};

class ViewStream {
public:
    explicit ViewStream(StreamPlan plan);

    // Adds the views of the next frame into frame, which has the output's
    // size: view file i of the frame shows through the mask of view
    // viewOf[i] of viewCount, resized to the frame (area interpolation when
    // shrinking) when its size differs.
    StreamFault composeFrame(const Calibration& calibration, int viewCount, const std::vector<int>& viewOf,
                             cv::Mat& frame, const EngineOptions& options);

    // The next frame's views one by one, each at size as composeFrame
    // resizes them (red first), handed to take with its index in the frame:
    // for a composition elsewhere (a GPU's). A take that fails ends it (as NoMemory).
    StreamFault takeFrame(cv::Size size, const std::function<bool(int, const cv::Mat&)>& take);

private:
    cv::Mat takeView(std::size_t file, std::string& problem);
    StreamFault nextView(cv::Size size, cv::Mat& view); // the next file's view at size, or why not

    StreamPlan plan_;
    std::size_t group_;
    std::unique_ptr<ViewDecoder> decoder_;
    std::size_t next_ = 0; // the next file to add
};

// The views added in one pass: as many as fit this much memory (two views of
// 3840 x 2160), at most maxGroup, at least one.
std::size_t viewGroup(cv::Size viewSize, std::size_t maxGroup);

// A view at the output size: itself when it has it (and continuous rows),
// otherwise resized, with area interpolation when shrinking.
cv::Mat atSize(const cv::Mat& view, cv::Size size);
// The same, resized into into's memory when it has the size already (for a
// loop that enlarges one view after another).
cv::Mat atSize(const cv::Mat& view, cv::Size size, cv::Mat& into);

// A view at the output size with its shape kept: resized as atSize does to
// the largest size of its aspect that fits, in the middle, black around it.
cv::Mat containedAtSize(const cv::Mat& view, cv::Size size);

// True when a picture of size from would be stretched to fill size to.
bool aspectDiffers(cv::Size from, cv::Size to);

} // namespace veltrane

// The small overlay that `h` shows over the top-left corner: the numbers in
// force, the frame, the frame rate and the frames dropped, and the viewer's
// place the numbers are for. Drawn on a copy:
// with the overlay off the window shows the composition untouched.
#pragma once

#include "veltrane/player/content.h"
#include "veltrane/player/tuning.h"
#include "veltrane/engine/viewer_place.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace veltrane {

struct PlaybackFigures {
    long frame = 0;      // shown, numbered as veltrane-interlace's --frames numbers it
    long index = 0;      // shown, counted from 0 among the frames played
    int frames = 1;      // or UncountedFrames
    double fps = 0.0;    // measured over the last second
    long dropped = 0;
    bool paused = false;
};

// The overlay's lines; with a viewer's place, a line that says it.
std::vector<std::string> overlayLines(const Tuning& tuning, const PlaybackFigures& figures,
                                      const ViewerPlace* viewer = nullptr);

// The lines on a dark box, as they go at the top left of a frame of that size
// (no larger than it).
cv::Mat overlayBox(const std::vector<std::string>& lines, cv::Size frame);

// frame with the lines drawn over a dark box at its top left.
cv::Mat withOverlay(const cv::Mat& frame, const std::vector<std::string>& lines);

} // namespace veltrane

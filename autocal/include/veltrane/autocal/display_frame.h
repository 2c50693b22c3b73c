// The display found in a photo by the white frame of its pattern, in a room
// dark or lit, plain or full of things, the camera's tone curve what it
// may be, the display turned in the photo by up to 45 degrees either way,
// a reflection over part of the screen.
#pragma once

#include "veltrane/engine/calibration.h"

#include <opencv2/core.hpp>

#include <vector>

namespace veltrane {

// The brightest of each pixel's channels: seen through the lenses a white
// frame is lit by one subpixel of any colour at a time, each at its full,
// where a room's grey or coloured things are lit in every channel alike.
cv::Mat brightestChannel(const cv::Mat& photo);

// The corners of the white frame of a pattern for a display of this size:
// top left, top right, bottom right, bottom left as the display stands in
// the photo (turned by less than 45 degrees). Of the frames that can be
// seen, the one found at most levels, or one as clear around it (a
// reflection or a bright patch can cut off part of the display with the
// frame). False when no frame is found whole. With the lenses the pattern
// was drawn for, its left and right sides are found through them
// (sidesThroughLenses).
bool displayCorners(const cv::Mat& photo, cv::Size display, std::vector<cv::Point2f>& corners,
                    const Calibration* lenses = nullptr);

} // namespace veltrane

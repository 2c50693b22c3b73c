// The left and right sides of the display's frame seen through lenses that
// cross them only a few times over their height. Each lens over a side
// shows white or black whole, so the side seen is a staircase: steps along
// the lenses, one lens wide. A straight line fitted through a step or two
// leans with the lenses (by up to a lens over the display's height), and
// the photo warped by such corners is sheared differently on its left and
// on its right. The side itself is the line along which the steps, taken
// a lens apart, line up.
#pragma once

#include "veltrane/engine/calibration.h"

#include <opencv2/core.hpp>

#include <vector>

namespace veltrane {

// Lenses that cross a side more often than this make a staircase fine
// enough for a straight line through it.
constexpr double MostLensesCrossed = 4.0;

// The corners (top left, top right, bottom right, bottom left) with the
// left and right sides found again in the photo's brightest channel
// through lenses of this pitch and slant (as the camera sees them, near
// enough), for a pattern whose white frame is `frame` pixels wide. The top
// and bottom sides stay: the lenses move what they show across, not up or
// down. A side stays as it was where the lenses cross it more than
// MostLensesCrossed times, where the photo does not resolve a lens, or where
// no staircase is seen along it.
std::vector<cv::Point2f> sidesThroughLenses(const cv::Mat& bright, const std::vector<cv::Point2f>& corners,
                                            cv::Size display, int frame, const Calibration& lenses);

} // namespace veltrane

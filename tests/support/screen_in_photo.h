// A screen put into a photo by a perspective: the photo's pixels that the
// screen covers replaced by the screen's, warped by area.
#pragma once

#include <opencv2/core.hpp>

namespace veltrane {

void placeScreen(const cv::Mat& screen, const cv::Matx33d& toPhoto, cv::Mat& photo);

} // namespace veltrane

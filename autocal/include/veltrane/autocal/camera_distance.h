// The camera's distance from the display, from the display's outline in a
// photo: a pinhole camera of a known horizontal field of view sees the
// display's rectangle, of a known width, in a perspective that gives its
// place (OpenCV's pose from four coplanar points).
#pragma once

#include <opencv2/core.hpp>

#include <string>

namespace veltrane {

struct CameraLens {
    double fieldOfView = 0.0; // horizontal, in degrees, across the photo's width
};

// The camera's distance in millimetres from the display's plane, the
// display's lit area panelWidth millimetres wide and of display's
// proportions (square pixels), its white frame found in the photo; false
// with the problem.
bool cameraDistance(const cv::Mat& photo, cv::Size display, double panelWidth, const CameraLens& lens,
                    double& distance, std::string& problem);

} // namespace veltrane

// The numbers checked against the frame before any work, as every program
// that composes content checks them: what the engine cannot draw, or would
// draw black, is refused in one line.
#pragma once

#include "veltrane/engine/calibration.h"

#include <opencv2/core.hpp>

#include <string>

namespace veltrane {

// Empty when views views at size can be composed with these numbers; else
// why not (a frame too small to light, lines too flat to draw, shares too
// small to show).
std::string compositionProblem(const Calibration& calibration, cv::Size size, int views);

} // namespace veltrane

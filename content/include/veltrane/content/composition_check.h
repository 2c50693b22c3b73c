// The numbers checked against the frame before any work, as every program
// that composes content checks them: what the engine cannot draw, or would
// draw black, is refused in one line.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/weighting.h"

#include <opencv2/core.hpp>

#include <string>

namespace veltrane {

// Empty when views views at size can be composed with these numbers; else
// why not (a frame too small to light, lines too flat to draw, shares too
// small to show).
std::string compositionProblem(const Calibration& calibration, cv::Size size, int views, Weighting weighting);

// The fewest views that fill a lens of this pitch: one for every two of its
// subpixel columns (about one a column is best). Fewer leave dark gaps
// between the views' lines with the lines weighting, and with the full one
// smear each view across the gap to the next.
int viewsToFill(double pitch);

// Empty when views views fill a lens of the calibration's pitch; else a
// warning saying how many would, for after "program: warning: ".
std::string lensFillWarning(const Calibration& calibration, int views);

} // namespace veltrane

// A calibration as the engine draws it: the lens geometry of a composition,
// and the view phase split into a whole turn of the views and a fraction
// that moves the lines.
#pragma once

#include "lens_geometry.h"
#include "veltrane/engine/calibration.h"
#include "veltrane/engine/interlace.h"
#include "veltrane/engine/status.h"

#include <opencv2/core.hpp>

namespace veltrane {

// The phase as whole views K (taken mod n) and a fraction f in [0, 1),
// taken to 2^-32 of a view.
double phaseFraction(double phase);
int phaseViews(double phase, int n);

LensGeometry lensOf(const Calibration& calibration, cv::Size size, int viewCount, const EngineOptions& options);

// Done, or UnsupportedGeometry when the lines are more than the engine draws.
Status geometryOf(const LensGeometry& lens);

} // namespace veltrane

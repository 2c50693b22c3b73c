// What an eye sees through the simulated sheet, view by view: content
// interlaced with one view lit and the others dark, once for each view,
// seen from the eye's place; and the numbers a calibration finds of the
// sheet from the measures' distance.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/viewer_place.h"

#include <opencv2/core.hpp>

#include <vector>

namespace veltrane {

struct SimulatedDisplay {
    Calibration sheet;      // the sheet's own numbers
    int views = 0;
    SheetMeasures measures; // its gap, the panel's width, the distance numbers are found from
    cv::Size size;          // the panel's pixels
};

// The numbers found from the measures' distance: the sheet's pitch
// magnified by 1 + g/D, with this view phase.
Calibration foundNumbers(const SimulatedDisplay& display, double phase);

// The share of what an eye at place (millimetres) sees that comes from each
// view, the panel interlaced with numbers.
std::vector<double> viewShares(const SimulatedDisplay& display, const Calibration& numbers, const ViewerPlace& eye);

} // namespace veltrane

// Where an eye straight in front of the panel's middle is shown the views,
// worked from the simulated sheet's geometry rather than through it: its
// lenses begin at the engine's view 0 lines of the sheet's own numbers, so a
// lens's centre line lies half a pitch on, and from the eye it is seen on the
// panel magnified by 1 + gap / distance about the eye's foot.
#pragma once

#include "veltrane/engine/calibration.h"

#include <opencv2/core.hpp>

namespace veltrane {

// The views' coordinate (view v's content centred at v, not taken modulo
// the views) that numbers of viewCount views put under the lens over the
// foot, for a sheet of sheetViews views (its phase's unit) gap above the
// panel and the eye distance from it (both in subpixel columns, or any one
// length).
double viewAtFoot(const Calibration& sheet, int sheetViews, double gap, double distance, const Calibration& numbers,
                  int viewCount, cv::Size size);

} // namespace veltrane

// Starting from a calibration printed or saved before, in a window whose -y
// (three times the drag area's height) may differ from the one it was made in.
#pragma once

#include "veltrane/core/calibration_state.h"
#include "veltrane/engine/calibration.h"

#include <cstdio>

namespace veltrane {

// The slant offset that gives the slant x / y in a window with this -y:
// round(x / 2 * slantYHere / y), negative when mirrored, held to the largest
// offset either way. exact is false when that offset does not give the
// printed slant (a rounded or held offset, or a mirror flag with no slant).
int resumedSlantOffset(const veltrane::Calibration& start, int slantYHere, int limit, bool& exact);

// Puts the start calibration into the calibrator's state after start-up: the
// slant offset, and the pitch unless one was given. When the slant is not
// exact, one line on report says which slant is in force instead.
void resumeCalibration(CalibrationState& state, const veltrane::Calibration& start, bool keepPitch,
                       std::FILE* report);

} // namespace veltrane

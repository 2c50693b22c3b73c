// Changing the pitch one decimal digit at a time, from drags and from keys.
#pragma once

#include "veltrane/core/calibration_state.h"

namespace veltrane {

// The pitch the keys and drags stop at from above; the calibrator starts
// from no pitch below it, so that every pitch it shows can be adjusted.
constexpr double PitchFloor = 2.0;

// pitch = pitchBase + pitchDragSteps / 10^k for the selected digit k; kept as it
// was when no digit is selected or the result would fall below 2.0.
void adjustPitch(CalibrationState& state);

// One pitch key step of +1 or -1 at the selected digit.
void pitchKeyStep(CalibrationState& state, int step, bool& keyStepped);

} // namespace veltrane

// Between the calibrator and the engine: the calibration its state is in,
// and what the calibrator says when a composition fails.
#pragma once

#include "veltrane/core/calibration_state.h"
#include "veltrane/engine/calibration.h"
#include "veltrane/engine/status.h"

#include <cstdio>

namespace veltrane {

// The slant, pitch and mirror in force, as the parameter line prints them.
veltrane::Calibration calibrationInForce(const CalibrationState& state);

// The calibrator's message for a failed composition: "\n---out of memory---\n"
// when the table of masks could not be had, "\n---error:malloc:1---\n" for
// the rest; "" when done.
const char* engineStatusMessage(veltrane::Status status);

// Writes that message to out.
void reportEngineFailure(veltrane::Status status, std::FILE* out);

} // namespace veltrane

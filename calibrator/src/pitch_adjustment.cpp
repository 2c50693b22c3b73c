#include "veltrane/calibrator/pitch_adjustment.h"

#include "veltrane/core/calibration_state.h"
#include "veltrane/calibrator/options.h"

namespace veltrane {

namespace {

constexpr double DigitDivisors[DigitCount] = {1.0, 10.0, 100.0, 1000.0, 10000.0};

} // namespace

void adjustPitch(CalibrationState& state)
{
    const double previous = state.pitch;
    double candidate = previous;
    for (int k = 0; k < DigitCount; ++k) {
        if (!state.digitSelect[k])
            continue;
        candidate = state.pitchBase + state.pitchDragSteps / DigitDivisors[k];
        state.pitch = candidate;
    }
    if (candidate < PitchFloor || !pitchInRange(candidate))
        state.pitch = previous;
}

void pitchKeyStep(CalibrationState& state, int step, bool& keyStepped)
{
    state.pitchDragSteps = state.pitchDragSteps + step;
    keyStepped = true;
    state.pitchBase = state.pitch;
    adjustPitch(state);
    state.pitchDirty = true;
    state.pitchDragSteps = 0;
}

} // namespace veltrane

#include "app/pitch_adjustment.h"

#include "app/calibration_state.h"
#include "app/options.h"

namespace {

constexpr double PitchFloor = 2.0;
constexpr double DigitDivisors[DigitCount] = {1.0, 10.0, 100.0, 1000.0, 10000.0};

} // namespace

void adjustPitch()
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

void pitchKeyStep(int step, bool& keyStepped)
{
    state.pitchDragSteps = state.pitchDragSteps + step;
    keyStepped = true;
    state.pitchBase = state.pitch;
    adjustPitch();
    state.pitchDirty = true;
    state.pitchDragSteps = 0;
}

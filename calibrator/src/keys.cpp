#include "veltrane/calibrator/keys.h"

#include "veltrane/calibrator/pitch_adjustment.h"
#include "veltrane/core/window_backend.h"

#include <cstdlib>

namespace veltrane {


KeyAction classifyKey(int key)
{
    if (key == 'a' || key == 'A' || key == KeyLeft)
        return KeyAction::Lower;
    if (key == 'd' || key == 'D' || key == KeyRight)
        return KeyAction::Raise;
    if (key == KeyEscape || key == MainWindowClosed)
        return KeyAction::Quit;
    return KeyAction::None;
}

void applyKey(CalibrationState& state, int key, bool& keyStepped)
{
    const KeyAction action = classifyKey(key);
    if (action == KeyAction::Quit) {
        state.mode = ModeQuit;
        return;
    }
    if (action == KeyAction::None || state.dragActive)
        return;
    const int step = action == KeyAction::Raise ? 1 : -1;
    if (state.mode == ModeSlant && std::abs(state.slantOffset + step) <= state.slantPatternCentre)
        state.slantOffset += step;
    else if (state.mode == ModePitch)
        pitchKeyStep(state, step, keyStepped);
}

} // namespace veltrane

// Keyboard: what a key (the calibrator's own code, window_backend.h) asks for.
#pragma once

#include "veltrane/core/calibration_state.h"

namespace veltrane {

enum class KeyAction {
    None,
    Lower, // "a", "A", left arrow
    Raise, // "d", "D", right arrow
    Quit,  // Escape, or the main window closed
};

KeyAction classifyKey(int key);

// Applies one key to the state by the current mode. Sets keyStepped after a
// pitch key step. Escape sets the mode to ModeQuit.
void applyKey(CalibrationState& state, int key, bool& keyStepped);

} // namespace veltrane

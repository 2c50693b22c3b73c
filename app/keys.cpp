#include "app/keys.h"

#include "app/calibration_state.h"
#include "app/pitch_adjustment.h"
#include "app/window_backend.h"

#include <cstdlib>

namespace {

// Arrow codes of every highgui back end: Windows, X11 (Qt and GTK), macOS.
constexpr int LeftArrows[] = {0x250000, 65361, 63234};
constexpr int RightArrows[] = {0x270000, 65363, 63235};
// Escape as ASCII, and as the X11 key symbol that the Qt back end reports.
constexpr int EscapeKeys[] = {27, 65307};

template <int N>
bool oneOf(int key, const int (&codes)[N])
{
    for (int code : codes)
        if (key == code)
            return true;
    return false;
}

} // namespace

KeyAction classifyKey(int key)
{
    if (key == 'a' || key == 'A' || oneOf(key, LeftArrows))
        return KeyAction::Lower;
    if (key == 'd' || key == 'D' || oneOf(key, RightArrows))
        return KeyAction::Raise;
    if (oneOf(key, EscapeKeys) || key == MainWindowClosed)
        return KeyAction::Quit;
    return KeyAction::None;
}

void applyKey(int key, bool& keyStepped)
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
        pitchKeyStep(step, keyStepped);
}

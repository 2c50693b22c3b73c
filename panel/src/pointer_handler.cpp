#include "veltrane/panel/pointer_handler.h"

#include "veltrane/core/calibration_state.h"
#include "veltrane/panel/panel_layout.h"

#include <algorithm>

namespace veltrane {

namespace {

void updateDigitSelection(CalibrationState& state, int x, int y)
{
    const DigitRows& rows = state.layout.digitRows;
    for (int k = 0; k < DigitCount; ++k)
        state.digitSelect[k] =
            rows.left <= x && x <= rows.right && rows.edges[k] <= y && y < rows.edges[k + 1];
}

// A slant drag stops where the test line runs from corner to corner of the
// frame: beyond, the line leaves the frame and nothing can be judged by eye.
int heldSlantDistance(const CalibrationState& state, int distance)
{
    const int limit = state.slantPatternCentre;
    return std::clamp(distance, -limit - state.slantOffset, limit - state.slantOffset);
}

void onMove(CalibrationState& state, int x, int y)
{
    const PanelLayout& layout = state.layout;
    state.hoverSlant = rectContains(layout.slantButton, x, y);
    state.hoverPitch = rectContains(layout.pitchButton, x, y);
    state.hoverForward = rectContains(layout.forwardButton, x, y);
    state.hoverReverse = rectContains(layout.reverseButton, x, y);
    state.hoverQuit = rectContains(layout.quitButton, x, y);
    if (!state.dragActive)
        updateDigitSelection(state, x, y);
    state.inDragArea = rectContains(layout.dragArea, x, y);
    if (state.inDragArea && state.dragActive) {
        const int distance = x - state.dragOriginX;
        if (state.mode == ModePitch)
            state.pitchDragSteps = distance / 10;
        else
            state.dragDistance = heldSlantDistance(state, distance);
    }
}

// Ends the drag under way the way a release inside the drag area does.
void endDrag(CalibrationState& state)
{
    state.dragActive = false;
    if (state.mode == ModeSlant)
        state.slantOffset += state.dragDistance;
    state.dragDistance = 0;
    state.pitchDragSteps = 0;
}

bool overAnyButton(const CalibrationState& state)
{
    return state.hoverSlant || state.hoverPitch || state.hoverForward || state.hoverReverse ||
           state.hoverQuit;
}

void onPress(CalibrationState& state, int x, int y)
{
    // A drag whose release never came (the toolkit lost it) is still under
    // way. A button pressed now first ends it as a release in the drag area
    // followed by a move to this button would: committed, and the digit
    // choice refreshed.
    if (state.dragActive && overAnyButton(state)) {
        endDrag(state);
        updateDigitSelection(state, x, y);
    }

    int m = state.mode;
    if (state.hoverSlant)
        state.mode = m = ModeSlant;
    if (state.hoverPitch) {
        state.mode = m = ModePitch;
        state.pitchDirty = true;
    }
    if (state.hoverForward) {
        state.savedMode = m;
        state.mode = m = ModeViewsForward;
    }
    if (state.hoverReverse) {
        state.savedMode = m;
        state.mode = m = ModeViewsReverse;
    }
    if (state.hoverQuit)
        state.mode = m = ModeQuit;
    if (!state.inDragArea)
        return;
    state.dragActive = true;
    state.dragOriginX = x;
    if (m == ModePitch)
        state.pitchBase = state.pitch;
}

// A release anywhere (over a button, in the bottom strip, outside the window)
// ends the drag: the slant keeps the distance of the last move inside the
// drag area, which is what was shown; the pitch stays where the last pass put it.
void onRelease(CalibrationState& state)
{
    if (state.dragActive)
        endDrag(state);
}

} // namespace

void onPointerEvent(int event, int x, int y, int, void* userData)
{
    CalibrationState& state = *static_cast<CalibrationState*>(userData);
    if (event == PointerMove)
        onMove(state, x, y);
    else if (event == PointerLeftDown)
        onPress(state, x, y);
    else if (event == PointerLeftUp)
        onRelease(state);
}

} // namespace veltrane

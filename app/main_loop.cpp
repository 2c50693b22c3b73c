#include "app/main_loop.h"

#include "app/calibration_state.h"
#include "app/keys.h"
#include "app/startup.h"
#include "app/test_frames.h"
#include "app/view_sequence.h"
#include "panel/panel_drawing.h"

#include <cstdio>
#include <cstdlib>

const char* const ViewSequenceTitle = "DISP";

namespace {

bool inViewMode()
{
    return state.mode == ModeViewsForward || state.mode == ModeViewsReverse;
}

void showViewSequence(WindowBackend& windows)
{
    cv::Mat composed;
    if (interlaceViewSequence(composed))
        windows.showImage(ViewSequenceTitle, composed);
}

// Discards the keys that queued up while a pitch step was rebuilt.
void drainKeys(WindowBackend& windows)
{
    while (windows.waitKey(KeyWaitMs) != -1) {
    }
}

} // namespace

void deriveSlant()
{
    state.slantX = std::abs(2 * (state.slantOffset + state.dragDistance));
    state.slantY = 3 * (state.height - 2 * state.layout.barHeight);
}

void writeParameterLine()
{
    const char* format = state.mirror ? "param: -x %5d -y %5d -pitch %8.4f -mirror\r"
                                      : "param: -x %5d -y %5d -pitch %8.4f        \r";
    std::fprintf(stderr, format, state.slantX, state.slantY, state.pitch);
    std::fflush(stderr);
}

PassResult runPass(WindowBackend& windows, WorkingImages& images)
{
    images.backgroundImage.copyTo(state.displayImage);
    const int key = windows.waitKey(KeyWaitMs);
    bool keyStepped = false;
    applyKey(key, keyStepped);
    if (state.mode == ModeQuit)
        return PassResult::Quit;

    state.mirror = state.slantOffset + state.dragDistance < 0 ? 1 : 0;
    if (state.mode == ModeSlant)
        drawSlantFrame(images);
    if (state.mode == ModePitch && drawPitchFrame(keyStepped) != 0)
        return PassResult::OutOfMemory;
    drawButtons();
    if (state.mode == ModeSlant)
        deriveSlant();
    else if (inViewMode())
        showViewSequence(windows);
    drawReadouts();
    writeParameterLine();
    windows.showImage(WindowTitle, state.displayImage);
    if (keyStepped)
        drainKeys(windows);
    return PassResult::Continue;
}

PassResult runMainLoop(WindowBackend& windows, WorkingImages& images)
{
    PassResult result = PassResult::Continue;
    while (result == PassResult::Continue)
        result = runPass(windows, images);
    return result;
}

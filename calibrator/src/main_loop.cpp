#include "veltrane/calibrator/main_loop.h"

#include "veltrane/calibrator/keys.h"
#include "veltrane/calibrator/startup.h"
#include "veltrane/calibrator/test_frames.h"
#include "veltrane/calibrator/view_sequence.h"
#include "veltrane/panel/panel_drawing.h"
#include "veltrane/records/parameter_line.h"

#include <cstdio>
#include <cstdlib>

namespace veltrane {

const char* const ViewSequenceTitle = "DISP";

namespace {

bool inViewMode(const CalibrationState& state)
{
    return state.mode == ModeViewsForward || state.mode == ModeViewsReverse;
}

void showViewSequence(Calibrator& calibrator, WindowBackend& windows)
{
    cv::Mat composed;
    if (interlaceViewSequence(calibrator.state, calibrator.allocator, composed, calibrator.report))
        windows.showImage(ViewSequenceTitle, composed);
}

// Discards the keys that queued up while a pitch step was rebuilt. A window
// closed meanwhile ends the drain: the next pass's wait reports it again
// (it would report it forever, and the drain never end).
void drainKeys(WindowBackend& windows)
{
    for (int key = windows.waitKey(KeyWaitMs); key != -1 && key != MainWindowClosed;
         key = windows.waitKey(KeyWaitMs)) {
    }
}

} // namespace

void deriveSlant(CalibrationState& state)
{
    state.slantX = std::abs(2 * (state.slantOffset + state.dragDistance));
    state.slantY = 3 * (state.height - 2 * state.layout.barHeight);
}

void writeParameterLine(const CalibrationState& state, std::FILE* out)
{
    veltrane::Calibration printed;
    printed.x = state.slantX;
    printed.y = state.slantY;
    printed.pitch = state.pitch;
    printed.mirror = state.mirror != 0;
    // Spaces where " -mirror" was: the line is written over in place.
    std::fprintf(out, "%s%s\r", veltrane::parameterLine(printed).c_str(), printed.mirror ? "" : "        ");
    std::fflush(out);
}

PassResult runPass(Calibrator& calibrator, WindowBackend& windows)
{
    CalibrationState& state = calibrator.state;
    WorkingImages& images = calibrator.images;
    images.backgroundImage.copyTo(state.displayImage);
    const int key = windows.waitKey(KeyWaitMs);
    bool keyStepped = false;
    applyKey(state, key, keyStepped);
    if (calibrator.endRequested != nullptr && *calibrator.endRequested != 0)
        state.mode = ModeQuit;
    if (state.mode == ModeQuit)
        return PassResult::Quit;

    state.mirror = state.slantOffset + state.dragDistance < 0 ? 1 : 0;
    if (state.mode == ModeSlant)
        drawSlantFrame(state, images);
    if (state.mode == ModePitch && drawPitchFrame(state, calibrator.allocator, keyStepped, calibrator.report) != veltrane::Status::Done)
        return PassResult::OutOfMemory;
    drawButtons(state);
    if (state.mode == ModeSlant)
        deriveSlant(state);
    else if (inViewMode(state))
        showViewSequence(calibrator, windows);
    drawReadouts(state);
    writeParameterLine(state, calibrator.messages);
    windows.showImage(WindowTitle, state.displayImage);
    if (keyStepped)
        drainKeys(windows);
    return PassResult::Continue;
}

PassResult runMainLoop(Calibrator& calibrator, WindowBackend& windows)
{
    PassResult result = PassResult::Continue;
    while (result == PassResult::Continue)
        result = runPass(calibrator, windows);
    return result;
}

} // namespace veltrane

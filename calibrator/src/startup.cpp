#include "veltrane/calibrator/startup.h"

#include "veltrane/calibrator/main_loop.h"
#include "veltrane/panel/panel_layout.h"
#include "veltrane/panel/pointer_handler.h"

#include <cstdio>

namespace veltrane {

const char* const WindowTitle = "Veltrane calibration";

void startUp(Calibrator& calibrator, const Options& options, WindowBackend& windows)
{
    CalibrationState& state = calibrator.state;
    WorkingImages& images = calibrator.images;
    state.width = options.width;
    state.height = options.height;
    state.pitch = options.pitch;
    state.panelBgr = options.subpixelOrder == veltrane::ChannelOrder::Bgr;
    state.viewPhase = options.resume ? options.start.viewPhase : 0.0;

    std::fputs("[ Veltrane autostereoscopic-image calibrator ]\n", calibrator.report);
    std::fflush(calibrator.report);

    images.subpixelCanvas.create(state.height, 3 * state.width, CV_8UC1);
    images.subpixelCanvas = cv::Scalar(50, 50, 50, 0);
    images.lineCanvas.release();

    state.slantPatternCentre = (3 * state.width) / 2;
    computePanelLayout(state);
    // A press of "pitch" inside the very first key wait skips the slant pass
    // that would derive the slant; the pitch frame needs one.
    deriveSlant(state);

    images.backgroundImage.create(state.height, state.width, CV_8UC3);
    images.backgroundImage = cv::Scalar(100, 100, 100, 0);
    state.displayImage = images.backgroundImage.clone();
    state.patternImageA = images.backgroundImage.clone();
    state.patternImageB = images.backgroundImage.clone();
    state.interlacedImage = images.backgroundImage.clone();

    windows.openWindow(WindowTitle, onPointerEvent, &state);
}

} // namespace veltrane

#include "veltrane/calibrator/test_frames.h"

#include "veltrane/calibrator/engine_messages.h"
#include "veltrane/calibrator/pitch_adjustment.h"
#include "veltrane/engine/interlace.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace veltrane {

namespace {

const cv::Scalar LineColour(255, 0, 0, 0);
const cv::Scalar Yellow(0, 255, 255, 0);
const cv::Scalar Magenta(255, 0, 255, 0);

// Copies rows [first, last] of the subpixel canvas into the image; subpixel 0
// of a pixel is its red channel on most panels, so the outer channels cross,
// and its blue one on a blue-first panel, whose order is the image's.
void copyBandToPanel(const cv::Mat& canvas, cv::Mat& image, int first, int last, bool panelBgr)
{
    if (last < first)
        return;
    const cv::Range rows(first, last + 1);
    cv::Mat band = image.rowRange(rows);
    if (panelBgr)
        canvas.rowRange(rows).reshape(3).copyTo(band);
    else
        cv::cvtColor(canvas.rowRange(rows).reshape(3), band, cv::COLOR_RGB2BGR);
}

} // namespace

void drawSlantFrame(CalibrationState& state, WorkingImages& images)
{
    images.subpixelCanvas.copyTo(images.lineCanvas);
    const int s = state.slantOffset + state.dragDistance;
    const int bar = state.layout.barHeight;
    cv::line(images.lineCanvas, cv::Point(state.slantPatternCentre + s, bar),
             cv::Point(state.slantPatternCentre - s, state.height - bar), LineColour, 1, cv::LINE_AA, 0);
    const int last = std::min(state.height - bar, state.height - 1);
    copyBandToPanel(images.lineCanvas, state.displayImage, bar, last, state.panelBgr);
}

veltrane::Status drawPitchFrame(CalibrationState& state, const veltrane::MaskAllocator& allocator, bool keyStepped,
                                std::FILE* report)
{
    if (state.dragActive || state.pitchDirty) {
        state.pitchDirty = false;
        if (!keyStepped)
            adjustPitch(state);
        state.patternImageA.setTo(Yellow);
        state.patternImageB.setTo(Magenta);
        state.viewCount = veltrane::twoViewCount(state.pitch);
        veltrane::EngineOptions options;
        options.allocator = allocator;
        // The two images hold nothing but their colours, so the engine is
        // given the colours: the same frame, without reading the images.
        const veltrane::Status status =
            veltrane::interlaceTwoColours(calibrationInForce(state), state.viewCount, Yellow, Magenta,
                                          state.patternImageA.size(), state.interlacedImage, options);
        if (status != veltrane::Status::Done) {
            // Once for the two-view composition, once for the frame that ends here.
            reportEngineFailure(status, report);
            reportEngineFailure(status, report);
            return status;
        }
    }
    state.interlacedImage.copyTo(state.displayImage);
    return veltrane::Status::Done;
}

} // namespace veltrane

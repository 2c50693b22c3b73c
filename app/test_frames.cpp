#include "app/test_frames.h"

#include "app/calibration_state.h"
#include "app/pitch_adjustment.h"
#include "app/calibrator_lens.h"
#include "app/mask_memory.h"
#include "engine/fast_interlace.h"
#include "engine/simd_kernels.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace {

const cv::Scalar LineColour(255, 0, 0, 0);
const cv::Scalar Yellow(0, 255, 255, 0);
const cv::Scalar Magenta(255, 0, 255, 0);

// Copies rows [first, last] of the subpixel canvas into the image; subpixel 0
// of a pixel is its red channel, so the outer channels cross.
void copyBandCrossed(const cv::Mat& canvas, cv::Mat& image, int first, int last)
{
    for (int y = first; y <= last; ++y)
        crossSubpixelOrder(canvas.ptr<unsigned char>(y), image.ptr<unsigned char>(y), 3 * static_cast<std::size_t>(image.cols));
}

} // namespace

void drawSlantFrame(WorkingImages& images)
{
    images.subpixelCanvas.copyTo(images.lineCanvas);
    const int s = state.slantOffset + state.dragDistance;
    const int bar = state.layout.barHeight;
    cv::line(images.lineCanvas, cv::Point(state.slantPatternCentre + s, bar),
             cv::Point(state.slantPatternCentre - s, state.height - bar), LineColour, 1, cv::LINE_AA, 0);
    const int last = std::min(state.height - bar, state.height - 1);
    copyBandCrossed(images.lineCanvas, state.displayImage, bar, last);
}

int drawPitchFrame(bool keyStepped)
{
    if (state.dragActive || state.pitchDirty) {
        state.pitchDirty = false;
        if (!keyStepped)
            adjustPitch();
        state.patternImageA.setTo(Yellow);
        state.patternImageB.setTo(Magenta);
        state.viewCount = twoViewCount(state.pitch);
        const LensGeometry lens = calibratorLens(state.width, state.height, state.viewCount);
        const EngineStatus status = interlaceTwoViewsFast(lens, state.patternImageA.data, state.patternImageB.data,
                                                          state.interlacedImage.data, calibratorAllocator());
        if (status != EngineStatus::Done) {
            // Once for the two-view composition, once for the frame that ends here.
            reportEngineFailure(static_cast<int>(status));
            reportEngineFailure(static_cast<int>(status));
            return static_cast<int>(status);
        }
    }
    state.interlacedImage.copyTo(state.displayImage);
    return 0;
}

// Pixels of the slant and pitch frames and of the panel drawn over them.
#include "veltrane/calibrator/test_frames.h"
#include "veltrane/engine/interlace.h"
#include "veltrane/panel/panel_drawing.h"
#include "support/calibrator_fixture.h"
#include "support/counting_allocator.h"
#include "support/text_sink.h"

#include <opencv2/core.hpp>

using namespace veltrane;

namespace {

using Frames = CalibratorTest;

const cv::Vec3b Grey50(50, 50, 50);
const cv::Vec3b Grey100(100, 100, 100);

// The slant frame before the panel is drawn over it.
cv::Mat slantFrame(CalibrationState& state, WorkingImages& images, int slantOffset)
{
    state.slantOffset = slantOffset;
    images.backgroundImage.copyTo(state.displayImage);
    drawSlantFrame(state, images);
    return state.displayImage;
}

TEST_F(Frames, UprightLineOnTheRedSubpixelOfTheMiddlePixel)
{
    start();
    const cv::Mat frame = slantFrame(state, images, 0);
    for (int y = 64; y <= 448; ++y) {
        // Subpixel column 960 is the red channel of pixel 320; the smoothing
        // lights its neighbours 959 (blue of pixel 319) and 961 (green) less.
        const cv::Vec3b middle = frame.at<cv::Vec3b>(y, 320);
        ASSERT_GT(middle[2], 150) << "row " << y;
        ASSERT_GT(middle[2], std::max(middle[1], frame.at<cv::Vec3b>(y, 319)[0])) << "row " << y;
        ASSERT_EQ(middle[0], 50) << "row " << y;
        ASSERT_EQ(frame.at<cv::Vec3b>(y, 321), Grey50);
        ASSERT_EQ(frame.at<cv::Vec3b>(y, 10), Grey50);
    }
    for (int y : {0, 63, 449, 511})
        EXPECT_EQ(frame.at<cv::Vec3b>(y, 320), Grey100) << "row " << y;
}

TEST_F(Frames, BandCopyCrossesTheOuterChannels)
{
    start();
    const cv::Mat frame = slantFrame(state, images, 40);
    // The line runs from (1000, 64) to (920, 448) in subpixel columns.
    EXPECT_GT(images.lineCanvas.at<unsigned char>(64, 1000), 50);
    EXPECT_GT(images.lineCanvas.at<unsigned char>(448, 920), 50);
    for (int y = 64; y <= 448; ++y)
        for (int x = 300; x < 340; ++x) {
            const unsigned char* s = images.lineCanvas.ptr<unsigned char>(y) + 3 * x;
            ASSERT_EQ(frame.at<cv::Vec3b>(y, x), cv::Vec3b(s[2], s[1], s[0])) << x << "," << y;
        }
}

// On a blue-first panel subpixel 0 of a pixel is its blue channel: the
// canvas goes into the frame as it is, and the upright line lights the blue
// of the middle pixel; the pitch frame is the engine's for such a panel.
TEST_F(Frames, ABlueFirstPanelGetsItsOwnOrder)
{
    start();
    state.panelBgr = true;
    const cv::Mat frame = slantFrame(state, images, 40);
    for (int y = 64; y <= 448; ++y)
        for (int x = 300; x < 340; ++x) {
            const unsigned char* s = images.lineCanvas.ptr<unsigned char>(y) + 3 * x;
            ASSERT_EQ(frame.at<cv::Vec3b>(y, x), cv::Vec3b(s[0], s[1], s[2])) << x << "," << y;
        }
    EXPECT_GT(slantFrame(state, images, 0).at<cv::Vec3b>(200, 320)[0], 150);
    state.pitchDirty = true;
    state.slantY = 1152;
    ASSERT_EQ(drawPitchFrame(state, calibrator.allocator, false, calibrator.report), Status::Done);
    cv::Mat expected;
    Calibration bgr{state.slantX, state.slantY, state.pitch, state.mirror != 0, 0.0, ChannelOrder::Bgr};
    ASSERT_EQ(interlaceTwoViews(bgr, state.viewCount, state.patternImageA, state.patternImageB, expected), Status::Done);
    EXPECT_EQ(cv::norm(state.displayImage, expected, cv::NORM_INF), 0);
}

TEST_F(Frames, PitchFrameIsTheYellowAndMagentaInterlace)
{
    start();
    windows.idle().click(150, 30).move(300, 250);
    run();
    const cv::Mat band = windows.lastShown("Veltrane calibration").rowRange(64, 448);
    // Blue comes only from magenta, green only from yellow, red from both.
    const cv::Scalar mean = cv::mean(band);
    EXPECT_GT(mean[0], 50);
    EXPECT_GT(mean[1], 50);
    EXPECT_GT(mean[2], std::max(mean[0], mean[1]));
    EXPECT_EQ(cv::norm(band, state.interlacedImage.rowRange(64, 448), cv::NORM_INF), 0);
}

// The banner and the failure are said on the calibrator's report stream,
// which the program makes standard output; nothing else is written there.
TEST_F(Frames, AllocationFailureInAPitchRebuildEndsTheLoop)
{
    TextSink report;
    calibrator.report = report.file();
    start();
    scriptMayBeCutShort = true;
    CountingAllocator failing(3);
    calibrator.allocator = CountingAllocator::allocator();
    windows.click(150, 30).idle(3);
    run();
    EXPECT_EQ(loopResult, PassResult::OutOfMemory);
    EXPECT_EQ(windows.pendingSteps(), 3);
    EXPECT_EQ(report.text(), "[ Veltrane autostereoscopic-image calibrator ]\n"
                             "\n---error:malloc:1---\n\n---error:malloc:1---\n");
    EXPECT_EQ(out, "");
    EXPECT_EQ(windows.waits, 1);
    EXPECT_EQ(windows.shownCount("Veltrane calibration"), 0);
    EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
}

// The panel as shown in pitch mode, the pointer on the hundredths row.
class Panel : public CalibratorTest {
protected:
    cv::Mat show(int x, int y)
    {
        start();
        windows.idle().click(150, 30).move(300, 250).move(x, y);
        run();
        return windows.lastShown("Veltrane calibration");
    }
    static int yellowPixels(const cv::Mat& frame, int left, int right, int top, int bottom)
    {
        cv::Mat yellow;
        cv::inRange(frame(cv::Rect(left, top, right - left + 1, bottom - top + 1)), cv::Scalar(0, 200, 200),
                    cv::Scalar(59, 255, 255), yellow);
        return cv::countNonZero(yellow);
    }
};

TEST_F(Panel, OutlinesFillsAndTheSelectedDigit)
{
    const cv::Mat frame = show(300, 250);
    const cv::Vec3b black(0, 0, 0);
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 95), black); // two outlines side by side
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 96), black);
    EXPECT_EQ(frame.at<cv::Vec3b>(63, 50), black);
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 100), cv::Vec3b(240, 240, 240)); // "pitch" is active
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 10), cv::Vec3b(200, 200, 200));
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 543), state.interlacedImage.at<cv::Vec3b>(5, 543)); // the gap
    // Pitch characters at x = 384 + 12 i on the baseline 480; index 5 is the
    // hundredths digit of "  8.0000".
    EXPECT_GT(yellowPixels(frame, 444, 455, 465, 482), 5);
    EXPECT_EQ(yellowPixels(frame, 384, 443, 465, 482), 0);
    EXPECT_EQ(yellowPixels(frame, 461, 520, 465, 482), 0);
    EXPECT_EQ(yellowPixels(frame, 0, 639, 0, 63), 0);
}

TEST_F(Panel, LabelOfTheHoveredButtonIsYellow)
{
    const cv::Mat frame = show(600, 30);
    EXPECT_GT(yellowPixels(frame, 544, 639, 0, 63), 20);
    EXPECT_EQ(yellowPixels(frame, 0, 543, 0, 63), 0);
    EXPECT_EQ(yellowPixels(frame, 0, 639, 449, 511), 0); // no digit row under the pointer
}

TEST_F(Panel, HugePitchesAreFormattedWithinTheBuffer)
{
    start();
    state.pitch = 1e300;
    drawReadouts(state);
    EXPECT_EQ(std::string(state.textBuffer).size(), 63u);
}

} // namespace

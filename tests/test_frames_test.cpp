// Pixels of the slant and pitch frames and of the panel drawn over them.
#include "app/test_frames.h"
#include "panel/panel_drawing.h"
#include "support/calibrator_fixture.h"
#include "support/counting_allocator.h"

namespace {

using Frames = CalibratorTest;

const cv::Vec3b Grey50(50, 50, 50);
const cv::Vec3b Grey100(100, 100, 100);

// The slant frame before the panel is drawn over it.
cv::Mat slantFrame(WorkingImages& images, int slantOffset)
{
    state.slantOffset = slantOffset;
    images.backgroundImage.copyTo(state.displayImage);
    drawSlantFrame(images);
    return state.displayImage;
}

TEST_F(Frames, UprightLineOnTheRedSubpixelOfTheMiddlePixel)
{
    start();
    const cv::Mat frame = slantFrame(images, 0);
    for (int y = 64; y <= 448; ++y) {
        // Subpixel column 960 is the red channel of pixel 320; the smoothing
        // lights its neighbours 959 (blue of pixel 319) and 961 (green) less.
        const cv::Vec3b middle = frame.at<cv::Vec3b>(y, 320);
        const cv::Vec3b left = frame.at<cv::Vec3b>(y, 319);
        ASSERT_GT(middle[2], 150) << "row " << y;
        ASSERT_GT(middle[2], middle[1]) << "row " << y;
        ASSERT_GT(middle[2], left[0]) << "row " << y;
        ASSERT_EQ(middle[0], 50) << "row " << y;
        ASSERT_EQ(left[1], 50) << "row " << y;
        ASSERT_EQ(frame.at<cv::Vec3b>(y, 321), Grey50);
        ASSERT_EQ(frame.at<cv::Vec3b>(y, 10), Grey50);
    }
    for (int y : {0, 63, 449, 511})
        EXPECT_EQ(frame.at<cv::Vec3b>(y, 320), Grey100) << "row " << y;
}

TEST_F(Frames, BandCopyCrossesTheOuterChannels)
{
    start();
    const cv::Mat frame = slantFrame(images, 40);
    int checked = 0;
    for (int y = 64; y <= 448; ++y)
        for (int x = 0; x < 640; ++x) {
            const unsigned char* s = images.lineCanvas.ptr<unsigned char>(y) + 3 * x;
            const cv::Vec3b pixel = frame.at<cv::Vec3b>(y, x);
            ASSERT_EQ(pixel, cv::Vec3b(s[2], s[1], s[0])) << x << "," << y;
            checked += s[0] != s[2] ? 1 : 0;
        }
    EXPECT_GT(checked, 100); // the slanted line lights single subpixels
    // The line runs from (1000, 64) to (920, 448) in subpixel columns.
    EXPECT_GT(images.lineCanvas.at<unsigned char>(64, 1000), 50);
    EXPECT_GT(images.lineCanvas.at<unsigned char>(448, 920), 50);
}

TEST_F(Frames, NarrowestWindowKeepsTheBandInsideTheImage)
{
    start(5, 3);
    const cv::Mat frame = slantFrame(images, 3);
    EXPECT_EQ(frame.rows, 3);
    EXPECT_EQ(frame.at<cv::Vec3b>(0, 0), Grey100);
}

TEST_F(Frames, PitchFrameIsTheYellowAndMagentaInterlace)
{
    start();
    windows.idle().click(150, 30).move(300, 250);
    run();
    const cv::Mat shown = windows.lastShown("Veltrane calibration");
    const cv::Mat band = shown.rowRange(64, 448);
    // Blue comes only from magenta, green only from yellow, red from both.
    const cv::Scalar mean = cv::mean(band);
    EXPECT_GT(mean[0], 50);
    EXPECT_GT(mean[1], 50);
    EXPECT_GT(mean[2], std::max(mean[0], mean[1]));
    EXPECT_EQ(state.patternImageA.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 255, 255));
    EXPECT_EQ(state.patternImageB.at<cv::Vec3b>(0, 0), cv::Vec3b(255, 0, 255));
    cv::Mat diff;
    cv::absdiff(band, state.interlacedImage.rowRange(64, 448), diff);
    EXPECT_EQ(cv::countNonZero(diff.reshape(1)), 0);
}

TEST_F(Frames, AllocationFailureInAPitchRebuildEndsTheLoop)
{
    start();
    CountingAllocator failing(3);
    windows.click(150, 30).idle(3);
    run();
    EXPECT_EQ(out, "\n---error:malloc:1---\n\n---error:malloc:1---\n");
    EXPECT_EQ(windows.waits, 1);
    EXPECT_EQ(windows.shownCount("Veltrane calibration"), 0);
    EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
}

// The panel as it is shown: default layout, pitch mode, hundredths selected.
class Panel : public CalibratorTest {
protected:
    void SetUp() override
    {
        CalibratorTest::SetUp();
        start();
        windows.idle().click(150, 30).move(300, 250);
    }
    void show()
    {
        run();
        frame = windows.lastShown("Veltrane calibration");
    }
    int yellowPixels(int left, int right, int top, int bottom) const
    {
        int count = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                const cv::Vec3b p = frame.at<cv::Vec3b>(y, x);
                count += p[0] < 60 && p[1] > 200 && p[2] > 200 ? 1 : 0;
            }
        return count;
    }
    cv::Mat frame;
};

TEST_F(Panel, ButtonsHaveSeparateOutlinesAndTheActiveFill)
{
    show();
    const cv::Vec3b black(0, 0, 0);
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 95), black);
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 96), black);
    EXPECT_EQ(frame.at<cv::Vec3b>(63, 50), black);
    EXPECT_EQ(frame.at<cv::Vec3b>(0, 50), black);
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 100), cv::Vec3b(240, 240, 240)); // "pitch" is active
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 10), cv::Vec3b(200, 200, 200));
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 543), state.interlacedImage.at<cv::Vec3b>(5, 543)); // the gap
    EXPECT_EQ(frame.at<cv::Vec3b>(5, 544), black);
}

TEST_F(Panel, OnlyTheSelectedDigitIsYellow)
{
    show();
    // Characters at x = 384 + 12 i on the baseline 480; index 5 is the
    // hundredths digit of "  8.0000".
    EXPECT_EQ(yellowPixels(0, 639, 0, 63), 0);
    EXPECT_GT(yellowPixels(444, 455, 465, 482), 5);
    EXPECT_EQ(yellowPixels(384, 443, 465, 482), 0);
    EXPECT_EQ(yellowPixels(461, 520, 465, 482), 0);
    EXPECT_EQ(yellowPixels(0, 383, 449, 511), 0);
}

TEST_F(Panel, LabelOfTheHoveredButtonIsYellow)
{
    windows.move(600, 30).idle();
    show();
    EXPECT_GT(yellowPixels(544, 639, 0, 63), 20);
    EXPECT_EQ(yellowPixels(0, 543, 0, 63), 0);
    EXPECT_EQ(yellowPixels(0, 639, 449, 511), 0); // no digit row under the pointer
}

TEST_F(Panel, HugePitchesAreFormattedWithinTheBuffer)
{
    state.pitch = 1e300;
    drawReadouts();
    EXPECT_EQ(std::string(state.textBuffer).size(), 63u);
}

} // namespace

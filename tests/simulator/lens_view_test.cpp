// The lens simulator: hand-checked rays through one lens and a vertical
// sheet, then what it proves of the engine: content interlaced with the
// sheet's own numbers shows view v from where view v is meant to be seen,
// the pitch pattern at the true numbers is one flat colour, and at a wrong
// pitch shows bands of the beat of the two pitches.
#include "veltrane/engine/interlace.h"
#include "veltrane/simulator/lens_view.h"

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace veltrane;

namespace {

// A panel of values below 86, so that three times a subpixel stays a byte.
cv::Mat dimNoise(cv::Size size, unsigned seed)
{
    cv::Mat panel(size, CV_8UC3);
    cv::RNG(seed).fill(panel, cv::RNG::UNIFORM, 0, 86);
    return panel;
}

cv::Mat seen(const LensSheet& sheet, const Eye& eye, const cv::Mat& panel, double spot = 1.0)
{
    cv::Mat out;
    EXPECT_EQ(seeThroughSheet(sheet, eye, panel, out, SeeingOptions{spot}), Status::Done);
    return out;
}

// One vertical lens as wide as the panel (120 columns, centred on column
// 60): from straight ahead every pixel shows subpixel 60 (pixel 20's red);
// from 140 columns to the right, at 1000 from the sheet with the panel 50
// behind it, the ray meets the panel 7 columns left of the centre: subpixel
// 53, pixel 17's third subpixel, blue on an RGB panel and red on a BGR one.
// (The panel's rows are alike, and the top and bottom rows, whose rays
// reach past the panel, are left out: the rays' rows are the next test's.)
TEST(LensView, RaysThroughOneLens)
{
    const cv::Mat panel = cv::repeat(dimNoise(cv::Size(40, 1), 1), 6, 1);
    LensSheet sheet{{0, 1, 120.0, false}, 1, 50.0};
    const cv::Mat ahead = seen(sheet, Eye{1000.0, 0.0}, panel);
    const cv::Mat aside = seen(sheet, Eye{1000.0, 140.0}, panel);
    sheet.calibration.subpixelOrder = ChannelOrder::Bgr;
    const cv::Mat asideBgr = seen(sheet, Eye{1000.0, 140.0}, panel);
    for (int y = 1; y < panel.rows - 1; ++y)
        for (int x = 0; x < panel.cols; ++x) {
            EXPECT_EQ(ahead.at<cv::Vec3b>(y, x), cv::Vec3b(0, 0, 3 * panel.at<cv::Vec3b>(y, 20)[2])) << x << "," << y;
            EXPECT_EQ(aside.at<cv::Vec3b>(y, x), cv::Vec3b(3 * panel.at<cv::Vec3b>(y, 17)[0], 0, 0)) << x << "," << y;
            EXPECT_EQ(asideBgr.at<cv::Vec3b>(y, x), cv::Vec3b(0, 0, 3 * panel.at<cv::Vec3b>(y, 17)[2]))
                << x << "," << y;
        }
}

// The rays go on up and down: with the panel 50 behind the sheet and the
// eye 1000 in front, row y of the sheet shows the panel's row
// y + (y - eye's row) / 20 (rows counted from the top, 3 columns high,
// the panel's middle at 3.5 of its 7), mixed from the two rows it falls
// between, dark off the panel. An eye 10.5 above the middle is at row 0.
TEST(LensView, RaysGoOnUpAndDownToOtherRows)
{
    cv::Mat panel(7, 40, CV_8UC3);
    for (int y = 0; y < panel.rows; ++y)
        panel.row(y).setTo(cv::Scalar::all(10 * y + 20));
    const LensSheet sheet{{0, 1, 120.0, false}, 1, 50.0};
    const struct {
        double height;
        std::vector<double> rows; // the panel row each row of the sheet sees
    } eyes[] = {{0.0, {-0.175, 0.875, 1.925, 2.975, 4.025, 5.075, 6.125}},
                {10.5, {0.0, 1.05, 2.1, 3.15, 4.2, 5.25, 6.3}}};
    for (const auto& eye : eyes) {
        const cv::Mat out = seen(sheet, Eye{1000.0, 0.0, eye.height}, panel);
        for (int y = 0; y < panel.rows; ++y) {
            const double first = std::floor(eye.rows[y]);
            const double weight = eye.rows[y] - first;
            const auto value = [&](double row) { return row >= 0 && row < panel.rows ? 10 * row + 20 : 0.0; };
            const double red = 3 * ((1 - weight) * value(first) + weight * value(first + 1));
            EXPECT_NEAR(out.at<cv::Vec3b>(y, 13)[2], std::min(255.0, red), 0.5001) << "row " << y << ", eye "
                                                                                   << eye.height;
            EXPECT_EQ(out.at<cv::Vec3b>(y, 13)[0], 0);
        }
    }
}

// A vertical sheet of 6-column lenses from column 0: pixel pair 2m, 2m + 1
// lies under lens m, centred on column 6m + 3, its first subpixel (red).
// A defocused spot of a whole pixel's width shows that pixel as it is.
TEST(LensView, AVerticalSheetShowsEachLensItsCentre)
{
    const cv::Mat panel = dimNoise(cv::Size(30, 4), 2);
    const LensSheet sheet{{0, 1, 6.0, false}, 1, 20.0};
    const Eye ahead{1e9, 0.0};
    const cv::Mat sharp = seen(sheet, ahead, panel);
    for (int y = 0; y < panel.rows; ++y)
        for (int x = 0; x < panel.cols; ++x) {
            const int centre = 2 * (x / 2) + 1; // pixel of column 6m + 3
            EXPECT_EQ(sharp.at<cv::Vec3b>(y, x), cv::Vec3b(0, 0, 3 * panel.at<cv::Vec3b>(y, centre)[2]));
        }
    // A spot of three columns centred on column 6m + 4 covers pixel 2m + 1 whole.
    const cv::Mat blurred = seen(sheet, Eye{1e9, -1e9 / 20.0}, panel, 3.0);
    for (int x = 0; x < panel.cols; ++x) {
        const cv::Vec3b pixel = panel.at<cv::Vec3b>(1, 2 * (x / 2) + 1);
        EXPECT_EQ(blurred.at<cv::Vec3b>(1, x), pixel) << x;
    }
}

// Where a lens edge crosses a pixel, the pixel shows the mean of what its
// three subpixels see, rounded to the nearest. Vertical lenses of 4
// columns, a spot of 3 (a lens sees the three columns around its centre,
// each in its own channel): lens 0 (columns 0-3, centre 2) sees columns 1-3,
// pixel 0's green and blue and pixel 1's red: (2, 10, 20) blue first; lens 1
// (columns 4-7, centre 6) sees pixel 1's blue and pixel 2's red and green:
// (0, 31, 5). Pixel 1 has column 3 under lens 0 and columns 4 and 5 under
// lens 1: (2 + 0) / 3, (10 + 62) / 3, (20 + 10) / 3, rounded: (1, 24, 10).
TEST(LensView, APixelTwoLensesShareShowsTheRoundedMeanOfItsSubpixels)
{
    cv::Mat panel(1, 4, CV_8UC3, cv::Scalar::all(0));
    panel.at<cv::Vec3b>(0, 0) = {2, 10, 0};
    panel.at<cv::Vec3b>(0, 1) = {0, 0, 20};
    panel.at<cv::Vec3b>(0, 2) = {0, 31, 5};
    const cv::Mat out = seen(LensSheet{{0, 1, 4.0, false}, 1, 20.0}, Eye{1e9, 0.0}, panel, 3.0);
    EXPECT_EQ(out.at<cv::Vec3b>(0, 0), cv::Vec3b(2, 10, 20));
    EXPECT_EQ(out.at<cv::Vec3b>(0, 1), cv::Vec3b(1, 24, 10));
}

TEST(LensView, UnusableInputIsAStatus)
{
    const cv::Mat panel = dimNoise(cv::Size(30, 4), 3);
    const LensSheet sheet{{0, 1, 6.0, false}, 1, 20.0};
    cv::Mat out;
    EXPECT_EQ(seeThroughSheet(sheet, Eye{0.0, 0.0}, panel, out), Status::InvalidImage);
    EXPECT_EQ(seeThroughSheet(sheet, Eye{NAN, 0.0}, panel, out), Status::InvalidImage);
    EXPECT_EQ(seeThroughSheet(sheet, Eye{10.0, 0.0}, panel, out, SeeingOptions{0.0}), Status::InvalidImage);
    EXPECT_EQ(seeThroughSheet(sheet, Eye{10.0, 0.0}, cv::Mat(4, 4, CV_8UC1), out), Status::InvalidImage);
    EXPECT_EQ(seeThroughSheet(LensSheet{{6, 0, 6.0, false}, 1, 20.0}, Eye{10.0, 0.0}, panel, out),
              Status::UnsupportedGeometry);
    EXPECT_TRUE(out.empty());
}

} // namespace

// What the simulator proves of the engine's compositions, seen through a
// sheet of the same numbers: each view from where it is meant to be seen,
// with the crosstalk of the weight profile's tails; the pitch pattern flat
// at the true pitch, and banded at the beat of a wrong one.
#include "veltrane/engine/interlace.h"
#include "veltrane/simulator/lens_view.h"

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace veltrane;

namespace {

const cv::Size Size(480, 270);
constexpr double Gap = 1000.0;
constexpr double Far = 1e9; // the eye far away, so every lens is seen at one angle

// The eye that sees, through every lens, the panel offset columns right of
// the lens's centre line.
Eye eyeSeeing(double offset)
{
    return Eye{Far, -offset * Far / Gap};
}

// The brightness seen over the whole image, in a panel value.
double brightness(const cv::Mat& image)
{
    const cv::Scalar sums = cv::mean(image);
    return (sums[0] + sums[1] + sums[2]) / 3.0;
}

cv::Mat interlaced(const Calibration& calibration, const std::vector<cv::Mat>& views)
{
    cv::Mat out;
    EXPECT_EQ(interlaceViews(calibration, views, out), Status::Done);
    return out;
}

cv::Mat seenFrom(const LensSheet& sheet, const Eye& eye, const cv::Mat& panel, double spot)
{
    cv::Mat out;
    EXPECT_EQ(seeThroughSheet(sheet, eye, panel, out, SeeingOptions{spot}), Status::Done);
    return out;
}

// Eight views through sheets of several kinds: from where view v is meant
// to be seen (its lines under the eye's rays), view v shows, and the other
// views' share of what is seen is what the weight profile leaves: at a view
// spacing of about a column, the subpixels under a line's spot hold about
// 55 % of a view's full value, and the profile's tails reach them from the
// neighbouring lines a column away, a quarter of what is seen.
TEST(WhatTheEyeSees, EachViewFromItsOwnPlace)
{
    const int views = 8;
    const std::vector<Calibration> sheets = {{6, 1152, 8.25, true},
                                             {4, 9, 11.3, false, 0.4},
                                             {6, 1152, 8.0, false, 0.0, ChannelOrder::Bgr}};
    const cv::Mat lit(Size, CV_8UC3, cv::Scalar::all(85));
    const cv::Mat dark(Size, CV_8UC3, cv::Scalar::all(0));
    for (const Calibration& calibration : sheets) {
        const LensSheet sheet{calibration, views, Gap};
        const double spacing = calibration.pitch / views;
        for (int v = 0; v < views; ++v) {
            std::vector<cv::Mat> only(views, dark);
            std::vector<cv::Mat> others(views, lit);
            only[v] = lit;
            others[v] = dark;
            const Eye eye = eyeSeeing(v * spacing - calibration.pitch / 2);
            const double own = brightness(seenFrom(sheet, eye, interlaced(calibration, only), 1.0));
            const double rest = brightness(seenFrom(sheet, eye, interlaced(calibration, others), 1.0));
            const double crosstalk = rest / (own + rest);
            EXPECT_GT(own, 0.45 * 85) << "view " << v << ", pitch " << calibration.pitch;
            EXPECT_LT(crosstalk, 0.3) << "view " << v << ", pitch " << calibration.pitch;
            // The neighbour's place shows the neighbour, not this view.
            const Eye beside = eyeSeeing((v + 1) * spacing - calibration.pitch / 2);
            EXPECT_LT(brightness(seenFrom(sheet, beside, interlaced(calibration, only), 1.0)), own / 2)
                << "view " << v;
        }
    }
}

// The calibrator's pitch pattern (yellow and magenta), seen with a spot of a
// pixel's width.
cv::Mat pitchPattern(const Calibration& calibration)
{
    const cv::Mat yellow(Size, CV_8UC3, cv::Scalar(0, 255, 255));
    const cv::Mat magenta(Size, CV_8UC3, cv::Scalar(255, 0, 255));
    cv::Mat out;
    EXPECT_EQ(interlaceTwoViews(calibration, twoViewCount(calibration.pitch), yellow, magenta, out), Status::Done);
    return out;
}

// The share of pixels whose green lies within 32 of the image's median green.
double flatness(const cv::Mat& image, int& median)
{
    std::vector<int> greens;
    for (int y = 0; y < image.rows; ++y)
        for (int x = 0; x < image.cols; ++x)
            greens.push_back(image.at<cv::Vec3b>(y, x)[1]);
    std::nth_element(greens.begin(), greens.begin() + greens.size() / 2, greens.end());
    median = greens[greens.size() / 2];
    const long near = std::count_if(greens.begin(), greens.end(), [&](int g) { return std::abs(g - median) <= 32; });
    return static_cast<double>(near) / greens.size();
}

// At the true numbers every lens shows the same part of the pattern: one
// flat colour, yellow from a quarter into the lens, magenta from three
// quarters (the first half of the views shows yellow).
TEST(WhatTheEyeSees, ThePitchPatternAtTheTruePitchIsFlat)
{
    for (const Calibration& calibration : {Calibration{6, 1152, 8.25, true}, Calibration{3, 17, 9.6, false}}) {
        const cv::Mat pattern = pitchPattern(calibration);
        const LensSheet sheet{calibration, twoViewCount(calibration.pitch), Gap};
        int yellowGreen = 0;
        int magentaGreen = 0;
        EXPECT_GT(flatness(seenFrom(sheet, eyeSeeing(-calibration.pitch / 4), pattern, 3.0), yellowGreen), 0.95);
        EXPECT_GT(flatness(seenFrom(sheet, eyeSeeing(calibration.pitch / 4), pattern, 3.0), magentaGreen), 0.95);
        EXPECT_GT(yellowGreen, 150) << calibration.pitch; // the profile's brightness: about three quarters
        EXPECT_LT(magentaGreen, 55) << calibration.pitch;
    }
}

// The period of the strongest variation of green along the rows, in pixels:
// the peak of their spectra (a Hann window, zero-padded to a fine grid),
// summed over every row.
double strongestPeriod(const cv::Mat& image)
{
    const int padded = 1 << 15;
    std::vector<double> power(padded / 2, 0.0);
    for (int y = 0; y < image.rows; ++y) {
        cv::Mat row(1, padded, CV_32F, cv::Scalar(0));
        double mean = 0.0;
        for (int x = 0; x < image.cols; ++x)
            mean += image.at<cv::Vec3b>(y, x)[1];
        mean /= image.cols;
        for (int x = 0; x < image.cols; ++x) {
            const double hann = 0.5 - 0.5 * std::cos(2 * CV_PI * x / (image.cols - 1));
            row.at<float>(0, x) = static_cast<float>((image.at<cv::Vec3b>(y, x)[1] - mean) * hann);
        }
        cv::Mat spectrum;
        cv::dft(row, spectrum, cv::DFT_COMPLEX_OUTPUT);
        for (int k = 0; k < padded / 2; ++k) {
            const cv::Vec2f bin = spectrum.at<cv::Vec2f>(0, k);
            power[k] += bin[0] * bin[0] + bin[1] * bin[1];
        }
    }
    const int lowest = padded / image.cols * 2; // two periods across the image
    const auto peak = std::max_element(power.begin() + lowest, power.end()) - power.begin();
    return static_cast<double>(padded) / peak;
}

// A pattern drawn at a wrong pitch, seen through the true sheet, shows bands
// whose period is the beat of the two lens frequencies: 1 / |1/P - 1/P'|.
TEST(WhatTheEyeSees, AWrongPitchShowsBandsOfTheBeat)
{
    const cv::Size wide(960, 90);
    const Calibration truth{6, 1152, 8.25, true};
    for (const double drawn : {8.5, 8.05, 7.9}) {
        Calibration wrong = truth;
        wrong.pitch = drawn;
        const cv::Mat yellow(wide, CV_8UC3, cv::Scalar(0, 255, 255));
        const cv::Mat magenta(wide, CV_8UC3, cv::Scalar(255, 0, 255));
        cv::Mat pattern;
        ASSERT_EQ(interlaceTwoViews(wrong, twoViewCount(drawn), yellow, magenta, pattern), Status::Done);
        const LensSheet sheet{truth, 1, Gap};
        cv::Mat view;
        ASSERT_EQ(seeThroughSheet(sheet, eyeSeeing(0.0), pattern, view, SeeingOptions{3.0}), Status::Done);
        const double beat = 1.0 / std::abs(1.0 / truth.pitch - 1.0 / drawn) / 3.0; // in pixels
        EXPECT_NEAR(strongestPeriod(view), beat, 0.02 * beat) << "drawn at " << drawn;
    }
}

} // namespace

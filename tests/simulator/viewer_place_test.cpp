// Numbers turned for a viewer's place, proved through the simulated sheet:
// content interlaced with the numbers for a place, seen from that place,
// shows the view the found numbers showed from theirs, at every distance,
// sideways offset and height; the found numbers, seen from elsewhere, do not.
#include "veltrane/engine/interlace.h"
#include "veltrane/engine/viewer_place.h"
#include "veltrane/simulator/lens_view.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace veltrane;

namespace {

constexpr int Views = 4;
const cv::Size Size(480, 270);
// A 300 mm wide panel, its lenses 2 mm above it, the numbers found 700 mm away.
const SheetMeasures Measures{2.0, 300.0, 700.0};
const double Column = Measures.panelWidth / (3.0 * Size.width); // mm a subpixel column
const Calibration Sheet{4, 9, 8.2, false, 0.3};                   // the sheet's own numbers

// The numbers a calibration finds from the measures' distance: the sheet's
// pitch magnified, and a phase that shows one view there (found below).
Calibration foundWithPhase(double phase)
{
    Calibration found = Sheet;
    found.pitch = Sheet.pitch * (1.0 + Measures.gap / Measures.distance);
    found.viewPhase = phase;
    return found;
}

// The share of what the eye at place sees that comes from each view.
std::vector<double> shares(const Calibration& numbers, const ViewerPlace& place)
{
    const LensSheet sheet{Sheet, Views, Measures.gap / Column};
    const Eye eye{place.distance / Column, place.offset / Column, place.height / Column};
    const cv::Mat lit(Size, CV_8UC3, cv::Scalar::all(85));
    const cv::Mat dark(Size, CV_8UC3, cv::Scalar::all(0));
    std::vector<double> brightness(Views);
    for (int v = 0; v < Views; ++v) {
        std::vector<cv::Mat> views(Views, dark);
        views[v] = lit;
        cv::Mat panel;
        cv::Mat seen;
        EXPECT_EQ(interlaceViews(numbers, views, panel), Status::Done);
        EXPECT_EQ(seeThroughSheet(sheet, eye, panel, seen), Status::Done);
        const cv::Scalar mean = cv::mean(seen);
        brightness[v] = mean[0] + mean[1] + mean[2];
    }
    const double total = std::accumulate(brightness.begin(), brightness.end(), 0.0);
    for (double& share : brightness)
        share /= total;
    return brightness;
}

// A phase at which the found numbers show the eye at their own place one
// view (most of what it sees), and that view.
struct FoundView {
    Calibration numbers;
    int view = 0;
};

FoundView foundView()
{
    FoundView best;
    double bestShare = 0.0;
    for (double phase = 0.0; phase < 1.0; phase += 0.125) {
        const std::vector<double> seen = shares(foundWithPhase(phase), ViewerPlace{0.0, 0.0, Measures.distance});
        const auto most = std::max_element(seen.begin(), seen.end());
        if (*most > bestShare) {
            bestShare = *most;
            best = {foundWithPhase(phase), static_cast<int>(most - seen.begin())};
        }
    }
    EXPECT_GT(bestShare, 0.8) << "no phase shows one view at the numbers' own place";
    return best;
}

Calibration turnedFor(const Calibration& found, const ViewerPlace& place, double shift = 0.0)
{
    Calibration turned;
    EXPECT_EQ(numbersForViewer(found, Measures, Size, Views, place, shift, turned), Status::Done);
    return turned;
}

TEST(ViewerPlace, TurnedNumbersShowEveryPlaceTheViewTheFoundOnesShowTheirs)
{
    const FoundView found = foundView();
    int foundMissed = 0;
    for (const double offset : {-250.0, -120.0, 0.0, 130.0, 250.0}) {
        for (const double distance : {450.0, 560.0, 680.0, 790.0, 900.0}) {
            const ViewerPlace place{offset, (offset + distance) / 10.0 - 50.0, distance}; // heights -75 to 115
            const std::vector<double> seen = shares(turnedFor(found.numbers, place), place);
            EXPECT_GE(seen[found.view], 0.75) << "at " << offset << ", " << place.height << ", " << distance;
            if (shares(found.numbers, place)[found.view] < 0.5)
                ++foundMissed;
        }
    }
    // The found numbers from elsewhere: another view, or bands of several.
    EXPECT_GE(foundMissed, 15) << "the places are too near the numbers' own to prove anything";
}

TEST(ViewerPlace, AShiftOfAViewShowsTheNextAndTheEyesHeightCounts)
{
    const FoundView found = foundView();
    const ViewerPlace place{-180.0, 0.0, 500.0};
    const std::vector<double> next = shares(turnedFor(found.numbers, place, 1.0), place);
    EXPECT_GE(next[(found.view + 1) % Views], 0.75);
    // The slanted lines seen from high above fall elsewhere than from the
    // middle's height: numbers for the middle show another view up there.
    const ViewerPlace high{-180.0, 220.0, 500.0};
    EXPECT_GE(shares(turnedFor(found.numbers, high), high)[found.view], 0.75);
    EXPECT_LT(shares(turnedFor(found.numbers, place), high)[found.view], 0.6);
}

} // namespace

// Numbers turned for a viewer's place, proved through the simulated sheet:
// content interlaced with the numbers for a place, seen from that place,
// shows the view the found numbers showed from theirs, at every distance,
// sideways offset and height; the found numbers, seen from elsewhere, do not.
#include "veltrane/engine/interlace.h"
#include "veltrane/engine/viewer_place.h"
#include "veltrane/simulator/lens_view.h"
#include "view_shares.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace veltrane;

namespace {

constexpr int Views = 4;
const cv::Size Size(480, 270);
// A 300 mm wide panel, its lenses 2 mm above it, the numbers found 700 mm away.
const SheetMeasures Measures{2.0, 300.0, 700.0};
const SimulatedDisplay Display{Calibration{4, 9, 8.2, false, 0.3}, Views, Measures, Size};

Calibration foundWithPhase(double phase)
{
    return foundNumbers(Display, phase);
}

std::vector<double> shares(const Calibration& numbers, const ViewerPlace& place)
{
    return viewShares(Display, numbers, place);
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

// Numbers for a viewer's place, by the sheet's optics: the found numbers at
// their own place, the pitch magnified by 1 + g/D, a step sideways of one
// view zone (a view spacing seen through the gap) turning the phase by a
// view, and measures or places that are none refused.
#include "veltrane/engine/viewer_place.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace veltrane;

namespace {

const cv::Size Size(1920, 1080);
const SheetMeasures Measures{1.5, 520.0, 650.0};
const Calibration Found{6, 1152, 8.25, true, 1.25};
constexpr int Views = 8;

Calibration turned(const ViewerPlace& place, double shift = 0.0)
{
    Calibration numbers;
    EXPECT_EQ(numbersForViewer(Found, Measures, Size, Views, place, shift, numbers), Status::Done);
    return numbers;
}

// Phases as views apart, taken to (-Views/2, Views/2].
double phaseStep(double from, double to)
{
    double step = std::fmod(to - from, Views);
    if (step > Views / 2.0)
        step -= Views;
    if (step <= -Views / 2.0)
        step += Views;
    return step;
}

TEST(ViewerPlace, TheFoundPlaceKeepsTheFoundNumbers)
{
    const Calibration same = turned({0.0, 0.0, Measures.distance});
    EXPECT_NEAR(same.pitch, Found.pitch, 1e-12);
    EXPECT_EQ(same.x, Found.x);
    EXPECT_EQ(same.y, Found.y);
    EXPECT_EQ(same.mirror, Found.mirror);
    EXPECT_NEAR(phaseStep(Found.viewPhase, same.viewPhase), 0.0, 1e-9);
    EXPECT_NEAR(phaseStep(Found.viewPhase, turned({0.0, 0.0, Measures.distance}, 2.5).viewPhase), 2.5, 1e-9);
}

TEST(ViewerPlace, ThePitchIsTheSheetsMagnifiedForTheDistance)
{
    const double own = 8.25 / (1.0 + 1.5 / 650.0);
    EXPECT_NEAR(sheetPitch(Found, Measures), own, 1e-12);
    for (const double distance : {300.0, 650.0, 1200.0, 1e7})
        EXPECT_NEAR(turned({40.0, -30.0, distance}).pitch, own * (1.0 + 1.5 / distance), 1e-12) << distance;
}

TEST(ViewerPlace, OneViewZoneSidewaysIsOneView)
{
    for (const double distance : {400.0, 900.0}) {
        const Calibration numbers = turned({0.0, 0.0, distance});
        const double column = Measures.panelWidth / (3.0 * Size.width);
        const double zone = numbers.pitch / Views * column * distance / Measures.gap;
        for (const double start : {-200.0, 0.0, 150.0}) {
            const double before = turned({start, 20.0, distance}).viewPhase;
            EXPECT_NEAR(phaseStep(before, turned({start + zone, 20.0, distance}).viewPhase), 1.0, 1e-9);
            EXPECT_NEAR(phaseStep(before, turned({start - zone / 2, 20.0, distance}).viewPhase), -0.5, 1e-9);
        }
    }
    // A sheet lying on the panel sees every view from everywhere alike.
    Calibration flat;
    ASSERT_EQ(numbersForViewer(Found, {0.0, 520.0, 650.0}, Size, Views, {300.0, 90.0, 400.0}, 0.0, flat), Status::Done);
    EXPECT_NEAR(phaseStep(Found.viewPhase, flat.viewPhase), 0.0, 1e-9);
    EXPECT_NEAR(flat.pitch, Found.pitch, 1e-12);
}

TEST(ViewerPlace, MeasuresAndPlacesThatAreNoneAreRefused)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const SheetMeasures badSheets[] = {{-1.0, 520.0, 650.0}, {nan, 520.0, 650.0}, {1.5, 0.0, 650.0},
                                       {1.5, inf, 650.0},    {1.5, 520.0, 0.0},   {1.5, 520.0, -5.0}};
    const ViewerPlace badPlaces[] = {{0.0, 0.0, 0.0}, {0.0, 0.0, -400.0}, {nan, 0.0, 500.0}, {0.0, inf, 500.0}};
    Calibration numbers{1, 2, 3.0, false};
    const Calibration before = numbers;
    const auto untouched = [&] {
        return numbers.x == before.x && numbers.pitch == before.pitch && numbers.viewPhase == before.viewPhase;
    };
    for (const SheetMeasures& sheet : badSheets) {
        EXPECT_EQ(numbersForViewer(Found, sheet, Size, Views, {0.0, 0.0, 500.0}, 0.0, numbers), Status::InvalidPlace);
        EXPECT_TRUE(untouched());
    }
    for (const ViewerPlace& place : badPlaces) {
        EXPECT_EQ(numbersForViewer(Found, Measures, Size, Views, place, 0.0, numbers), Status::InvalidPlace);
        EXPECT_TRUE(untouched());
    }
    EXPECT_EQ(numbersForViewer(Found, Measures, Size, 0, {0.0, 0.0, 500.0}, 0.0, numbers), Status::InvalidPlace);
    EXPECT_EQ(numbersForViewer(Found, Measures, Size, Views, {0.0, 0.0, 500.0}, nan, numbers), Status::InvalidPlace);
    EXPECT_EQ(numbersForViewer({6, 0, 8.0, false}, Measures, Size, Views, {0.0, 0.0, 500.0}, 0.0, numbers),
              Status::UnsupportedGeometry);
    EXPECT_TRUE(untouched());
}

} // namespace

// The sheet's gap and own pitch from the numbers found at two distances: the
// law alone, then through the virtual camera's photos, and through
// veltrane-autocal's work, a record found from one distance and a photo from
// another saving the gap.
#include "veltrane/autocal/autocal_options.h"
#include "veltrane/autocal/sheet_from_distances.h"
#include "veltrane/autocal/virtual_camera.h"
#include "veltrane/engine/viewer_place.h"
#include "veltrane/records/calibration_record.h"
#include "support/view_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <vector>

using namespace veltrane;

namespace {

TEST(SheetFromDistances, TwoPitchesGiveTheSheetsPitchAndGap)
{
    // A sheet of pitch 8.2 two millimetres above the panel, from 500 and 1250 mm.
    const auto seenFrom = [](double distance) { return 8.2 * (1.0 + 2.0 / distance); };
    SheetFromDistances sheet;
    std::string problem;
    ASSERT_TRUE(sheetFromDistances(seenFrom(500.0), 500.0, seenFrom(1250.0), 1250.0, sheet, problem)) << problem;
    EXPECT_NEAR(sheet.pitch, 8.2, 1e-12);
    EXPECT_NEAR(sheet.gap, 2.0, 1e-9);
    // Either order.
    ASSERT_TRUE(sheetFromDistances(seenFrom(1250.0), 1250.0, seenFrom(500.0), 500.0, sheet, problem)) << problem;
    EXPECT_NEAR(sheet.gap, 2.0, 1e-9);
    // A sheet on the panel, its pitches a hair apart either way: no gap.
    ASSERT_TRUE(sheetFromDistances(8.2, 500.0, 8.2000001, 1250.0, sheet, problem)) << problem;
    EXPECT_EQ(sheet.gap, 0.0);
}

TEST(SheetFromDistances, WhatCannotGiveAGapIsRefused)
{
    SheetFromDistances sheet;
    std::string problem;
    EXPECT_FALSE(sheetFromDistances(8.3, 600.0, 8.29, 700.0, sheet, problem));
    EXPECT_NE(problem.find("less than a fifth apart"), std::string::npos) << problem;
    EXPECT_FALSE(sheetFromDistances(8.2, 500.0, 8.3, 1000.0, sheet, problem)); // larger from farther
    EXPECT_NE(problem.find("not the larger"), std::string::npos) << problem;
    for (const double bad : {0.0, -1.0, std::nan("")}) {
        EXPECT_FALSE(sheetFromDistances(bad, 500.0, 8.2, 1000.0, sheet, problem));
        EXPECT_FALSE(sheetFromDistances(8.3, bad, 8.2, 1000.0, sheet, problem));
    }
}

// A 960 x 600 display 288 mm wide: a subpixel column is a tenth of a millimetre.
const cv::Size Display(960, 600);
constexpr double Column = 0.1;

VirtualCamera cameraAt(double millimetres, unsigned seed)
{
    VirtualCamera camera;
    camera.sheet = LensSheet{Calibration{5, 1152, 8.25, true}, 8, 2.5 / Column}; // lenses 2.5 mm up
    camera.distance = millimetres / Column;
    camera.yaw = 6.0;
    camera.tilt = -4.0;
    camera.blur = 1.0;
    camera.noise = 4.0;
    camera.seed = seed;
    return camera;
}

Calibration foundFrom(double millimetres, unsigned seed)
{
    VirtualCameraPhotos photos(cameraAt(millimetres, seed));
    Calibration guess{5, 1152, 8.25 * 1.02, true};
    RoundsResult result;
    std::string problem;
    EXPECT_TRUE(calibrateFromPhotos(guess, Display, photos, RoundsOptions{}, result, problem)) << problem;
    return result.calibration;
}

TEST(SheetFromDistances, ThePhotosFromTwoDistancesGiveTheGapAndTheNumbersForAThird)
{
    const Calibration near = foundFrom(450.0, 3);
    const Calibration far = foundFrom(1100.0, 4);
    SheetFromDistances sheet;
    std::string problem;
    ASSERT_TRUE(sheetFromDistances(near.pitch, 450.0, far.pitch, 1100.0, sheet, problem)) << problem;
    EXPECT_NEAR(sheet.gap, 2.5, 0.05 * 2.5); // millimetres, as the distances
    EXPECT_NEAR(sheet.pitch, 8.25, 8.25 * 2e-4);
    // The numbers for 700 mm, turned from the near ones with the gap found,
    // against those the camera finds there: within a tenth of a fringe.
    const SheetMeasures measures{sheet.gap, Display.width * 3 * Column, 450.0};
    Calibration predicted;
    ASSERT_EQ(numbersForViewer(near, measures, Display, 8, ViewerPlace{0.0, 0.0, 700.0}, 0.0, predicted),
              Status::Done);
    const Calibration there = foundFrom(700.0, 5);
    EXPECT_LT(fringesBetween(predicted, there, Display), 0.1);
    EXPECT_EQ(predicted.x, there.x);
}

Parse parse(std::vector<const char*> arguments, AutocalOptions& options, std::string& text)
{
    arguments.insert(arguments.begin(), "veltrane-autocal");
    return parseAutocalOptions(static_cast<int>(arguments.size()), arguments.data(), options, text);
}

// veltrane-autocal: a record found from 450 mm, and the virtual camera at
// 1100 mm told --distance: the record saved has the gap and the distance.
TEST(SheetFromDistances, AutocalFromARecordOfAnotherDistanceSavesTheGap)
{
    ViewFolder folder;
    CalibrationRecord near;
    near.calibration = foundFrom(450.0, 6);
    near.width = Display.width;
    near.height = Display.height;
    near.measures.viewingDistance = 450.0;
    near.measures.panelWidth = 288.0;
    std::string text;
    ASSERT_TRUE(saveCalibrationRecord("near.yml", near, "2026-12-09T12:00:00", text)) << text;
    const char* camera = "--camera=sim:pitch=8.25,x=5,mirror=1,gap=25,distance=11000,yaw=5,blur=1,noise=4";
    AutocalOptions options;
    ASSERT_EQ(parse({"--calibration=near.yml", camera, "--distance=1100", "--save=far.yml", "--quiet"}, options, text),
              Parse::Run)
        << text;
    AutocalReport report;
    const Outcome outcome = runAutocal(options, nullptr, report);
    ASSERT_TRUE(outcome) << outcome.message;
    CalibrationRecord far;
    ASSERT_TRUE(loadCalibrationRecord("far.yml", far, text)) << text;
    ASSERT_TRUE(far.measures.gap.has_value());
    EXPECT_NEAR(*far.measures.gap, 2.5, 0.05 * 2.5);
    EXPECT_EQ(far.measures.viewingDistance, std::optional<double>(1100.0));
    EXPECT_EQ(far.measures.panelWidth, std::optional<double>(288.0));
    ASSERT_EQ(report.notes.size(), 1u);
    EXPECT_EQ(report.notes[0].rfind("the sheet's gap: 2.", 0), 0u) << report.notes[0];

    // From nearly the same distance: the distance kept, no gap, and a note why.
    AutocalOptions again;
    ASSERT_EQ(parse({"--calibration=near.yml", camera, "--distance=500", "--save=same.yml", "--quiet"}, again, text),
              Parse::Run)
        << text;
    AutocalReport sameReport;
    ASSERT_TRUE(runAutocal(again, nullptr, sameReport));
    CalibrationRecord same;
    ASSERT_TRUE(loadCalibrationRecord("same.yml", same, text)) << text;
    EXPECT_FALSE(same.measures.gap.has_value());
    EXPECT_EQ(same.measures.viewingDistance, std::optional<double>(500.0));
    ASSERT_EQ(sameReport.notes.size(), 1u);
    EXPECT_NE(sameReport.notes[0].find("less than a fifth apart"), std::string::npos) << sameReport.notes[0];
}

TEST(SheetFromDistances, ADistanceIsTheCamerasInMillimetres)
{
    ViewFolder folder;
    std::string text;
    for (const char* distance : {"--distance=5", "--distance=1e6", "--distance=far", "--distance=nan"}) {
        AutocalOptions options;
        EXPECT_EQ(parse({"--param=-x 5 -y 1152 -pitch 8.25 -mirror", "--size=960x600", "--camera=sim:", distance},
                        options, text),
                  Parse::Invalid)
            << distance;
        EXPECT_NE(text.find("--distance must be millimetres from 10 to 100000"), std::string::npos) << text;
    }
    AutocalOptions options;
    EXPECT_EQ(parse({"--param=-x 5 -y 1152 -pitch 8.25 -mirror", "--size=960x600", "--pattern=p.png",
                     "--distance=700"},
                    options, text),
              Parse::Invalid);
    EXPECT_NE(text.find("--distance is the camera's"), std::string::npos) << text;
}

} // namespace

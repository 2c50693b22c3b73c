// Starting from a calibration printed or saved before: the parameter line
// read back, the record written and read, and the slant in another window.
#include "veltrane/records/calibration_record.h"
#include "veltrane/calibrator/resume.h"
#include "support/calibrator_fixture.h"
#include "support/text_sink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

TEST(ResumedSlant, TheFractionInAnotherWindow)
{
    bool exact = false;
    EXPECT_EQ(resumedSlantOffset({6, 1152, 8, false}, 1152, 960, exact), 3);
    EXPECT_TRUE(exact);
    EXPECT_EQ(resumedSlantOffset({6, 1152, 8, true}, 2304, 960, exact), -6); // twice the height, twice the offset
    EXPECT_TRUE(exact);
    EXPECT_EQ(resumedSlantOffset({6, 1152, 8, false}, 1320, 960, exact), 3); // 3.4375 rounds down
    EXPECT_FALSE(exact);
    EXPECT_EQ(resumedSlantOffset({7, 1152, 8, true}, 1152, 960, exact), -4); // 3.5 rounds away from zero
    EXPECT_FALSE(exact);
    EXPECT_EQ(resumedSlantOffset({4000, 1152, 8, false}, 1152, 960, exact), 960); // held at the corners
    EXPECT_FALSE(exact);
    EXPECT_EQ(resumedSlantOffset({1, 1152, 8, true}, 576, 960, exact), 0); // no slant is left to lean
    EXPECT_FALSE(exact);
    EXPECT_EQ(resumedSlantOffset({0, 1152, 8, false}, 576, 960, exact), 0);
    EXPECT_TRUE(exact);
}

using Resume = CalibratorTest;

TEST_F(Resume, TheFirstLineIsTheCalibrationResumed)
{
    start(640, 512, 8.0);
    TextSink report;
    resumeCalibration(state, {6, 1152, 8.25, true}, false, report.file());
    EXPECT_EQ(report.text(), "");
    windows.idle();
    run();
    EXPECT_EQ(parameterLines().front(), "param: -x     6 -y  1152 -pitch   8.2500 -mirror\r");
}

TEST_F(Resume, AnInexactSlantIsSaidAndAGivenPitchKept)
{
    start(800, 600, 9.5);
    TextSink report;
    ::testing::internal::CaptureStdout();
    resumeCalibration(state, {6, 1152, 8.25, true}, true, report.file());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(report.text(),
              "the slant -x 6 -y 1152 -mirror cannot be matched at this window's height; in force: -x 6 -y 1320 -mirror\n");
    windows.idle();
    run();
    EXPECT_EQ(parameterLines().front(), "param: -x     6 -y  1320 -pitch   9.5000 -mirror\r");
}

} // namespace

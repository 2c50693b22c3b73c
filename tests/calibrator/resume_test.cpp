// Starting from a calibration printed or saved before: the parameter line
// read back, the record written and read, and the slant in another window.
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/parameter_line.h"
#include "veltrane/calibrator/resume.h"
#include "support/calibrator_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

veltrane::Calibration parsed(const std::string& line)
{
    veltrane::Calibration calibration;
    std::string message;
    EXPECT_TRUE(parseParameterLine(line, calibration, message)) << line << ": " << message;
    return calibration;
}

TEST(ParameterLine, TakenVerbatimAsPrinted)
{
    for (const char* line : {"param: -x     6 -y  1152 -pitch   8.0000 -mirror\r", "-x 6 -y 1152 -pitch 8 -mirror",
                             "  param:\t-mirror -pitch 8.0000 -y 1152 -x 6\r\n"}) {
        const veltrane::Calibration c = parsed(line);
        EXPECT_EQ(c.x, 6);
        EXPECT_EQ(c.y, 1152);
        EXPECT_EQ(c.pitch, 8.0);
        EXPECT_TRUE(c.mirror);
    }
    EXPECT_FALSE(parsed("param: -x     0 -y  1152 -pitch 999.9999        \r").mirror);
}

TEST(ParameterLine, RefusesWhatTheCalibratorNeverPrints)
{
    for (const char* line : {"", "param:", "-x 6 -y 1152", "-x 6 -y 1152 -pitch", "-x -6 -y 1152 -pitch 8",
                             "-x 6 -y 0 -pitch 8", "-x 6 -y 1152 -pitch 1000", "-x 6 -y 1152 -pitch 0.5",
                             "-x 6 -x 7 -y 1152 -pitch 8", "-x 6 -y 1152 -pitch 8 -mirror -mirror",
                             "-x 6 -y 1152 -pitch 8 extra", "-x 6.5 -y 1152 -pitch 8", "-x 6 -y 1152 -pitch nan",
                             "param -x 6 -y 1152 -pitch 8", "-x 99999999999 -y 1 -pitch 8"}) {
        veltrane::Calibration c;
        std::string message;
        EXPECT_FALSE(parseParameterLine(line, c, message)) << line;
        EXPECT_EQ(message.find('\n'), std::string::npos);
        EXPECT_FALSE(message.empty());
    }
}

// The line written as the calibrator prints it reads back the same, and
// looks as it always has.
TEST(ParameterLine, WrittenAsPrintedAndReadBack)
{
    EXPECT_EQ(veltrane::parameterLine({6, 1152, 8.0, true}), "param: -x     6 -y  1152 -pitch   8.0000 -mirror");
    EXPECT_EQ(veltrane::parameterLine({128, 6240, 12.34567, false}), "param: -x   128 -y  6240 -pitch  12.3457");
    const veltrane::Calibration back = parsed(veltrane::parameterLine({31, 600, 7.25, true}));
    EXPECT_EQ(back.x, 31);
    EXPECT_EQ(back.y, 600);
    EXPECT_EQ(back.pitch, 7.25);
    EXPECT_TRUE(back.mirror);
}

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
    ::testing::internal::CaptureStdout();
    resumeCalibration(state, {6, 1152, 8.25, true}, false);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    windows.idle();
    run();
    EXPECT_EQ(parameterLines().front(), "param: -x     6 -y  1152 -pitch   8.2500 -mirror\r");
}

TEST_F(Resume, AnInexactSlantIsSaidAndAGivenPitchKept)
{
    start(800, 600, 9.5);
    ::testing::internal::CaptureStdout();
    resumeCalibration(state, {6, 1152, 8.25, true}, true);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "the slant -x 6 -y 1152 -mirror cannot be matched at this window's height; in force: -x 6 -y 1320 -mirror\n");
    windows.idle();
    run();
    EXPECT_EQ(parameterLines().front(), "param: -x     6 -y  1320 -pitch   9.5000 -mirror\r");
}

} // namespace

// Starting from a calibration printed or saved before: the parameter line
// read back, the record written and read, and the slant in another window.
#include "app/calibration_record.h"
#include "app/parameter_line.h"
#include "app/resume.h"
#include "support/calibrator_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

PrintedCalibration parsed(const std::string& line)
{
    PrintedCalibration calibration;
    std::string message;
    EXPECT_TRUE(parseParameterLine(line, calibration, message)) << line << ": " << message;
    return calibration;
}

TEST(ParameterLine, TakenVerbatimAsPrinted)
{
    for (const char* line : {"param: -x     6 -y  1152 -pitch   8.0000 -mirror\r", "-x 6 -y 1152 -pitch 8 -mirror",
                             "  param:\t-mirror -pitch 8.0000 -y 1152 -x 6\r\n"}) {
        const PrintedCalibration c = parsed(line);
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
        PrintedCalibration c;
        std::string message;
        EXPECT_FALSE(parseParameterLine(line, c, message)) << line;
        EXPECT_EQ(message.find('\n'), std::string::npos);
        EXPECT_FALSE(message.empty());
    }
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
    resumeCalibration({6, 1152, 8.25, true}, false);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    windows.idle();
    run();
    EXPECT_EQ(parameterLines().front(), "param: -x     6 -y  1152 -pitch   8.2500 -mirror\r");
}

TEST_F(Resume, AnInexactSlantIsSaidAndAGivenPitchKept)
{
    start(800, 600, 9.5);
    ::testing::internal::CaptureStdout();
    resumeCalibration({6, 1152, 8.25, true}, true);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "the slant -x 6 -y 1152 -mirror cannot be matched at this window's height; in force: -x 6 -y 1320 -mirror\n");
    windows.idle();
    run();
    EXPECT_EQ(parameterLines().front(), "param: -x     6 -y  1320 -pitch   9.5000 -mirror\r");
}

class Record : public ::testing::Test {
protected:
    Record() : folder_(fs::temp_directory_path() / ("veltrane-record-" + std::to_string(::getpid())))
    {
        fs::create_directories(folder_);
    }
    ~Record() override { fs::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    void write(const std::string& name, const std::string& text) const { std::ofstream(path(name)) << text; }

    fs::path folder_;
};

TEST_F(Record, WrittenAndReadBackAsYamlAndJson)
{
    const CalibrationRecord saved{{6, 1152, 8.25, true}, 1920, 1080, "HDMI-1"};
    for (const char* name : {"lens.yml", "lens.json"}) {
        std::string message;
        ASSERT_TRUE(saveCalibrationRecord(path(name), saved, "2026-12-07T10:00:00+00:00", message)) << message;
        CalibrationRecord loaded;
        ASSERT_TRUE(loadCalibrationRecord(path(name), loaded, message)) << message;
        EXPECT_EQ(loaded.calibration.x, 6);
        EXPECT_EQ(loaded.calibration.y, 1152);
        EXPECT_EQ(loaded.calibration.pitch, 8.25);
        EXPECT_TRUE(loaded.calibration.mirror);
        EXPECT_EQ(loaded.width, 1920);
        EXPECT_EQ(loaded.height, 1080);
        EXPECT_EQ(loaded.screen, "HDMI-1");
        const cv::FileStorage storage(path(name), cv::FileStorage::READ);
        EXPECT_DOUBLE_EQ(static_cast<double>(storage["subpixels_per_row"]), 3.0 * 6 / 1152);
        EXPECT_NEAR(static_cast<double>(storage["angle_degrees"]), -0.2984128, 1e-6);
        EXPECT_DOUBLE_EQ(static_cast<double>(storage["lens_width_pixels"]), 2.75);
        EXPECT_EQ(static_cast<std::string>(storage["saved"]), "2026-12-07T10:00:00+00:00");
    }
    std::ifstream json(path("lens.json"));
    EXPECT_EQ(json.get(), '{');
    // Only the two records: the temporary files were renamed onto them.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
}

TEST_F(Record, ASaveReplacesTheOldRecordWhole)
{
    write("lens.yml", "%YAML:1.0\n---\nx: 1\n");
    std::string message;
    ASSERT_TRUE(saveCalibrationRecord(path("lens.yml"), {{2, 10, 4.0, false}, 0, 0, ""}, "now", message));
    CalibrationRecord loaded;
    ASSERT_TRUE(loadCalibrationRecord(path("lens.yml"), loaded, message)) << message;
    EXPECT_EQ(loaded.calibration.x, 2);
    EXPECT_FALSE(saveCalibrationRecord(path("no/such/folder/lens.yml"), {}, "now", message));
    EXPECT_FALSE(recordCanBeWritten(path("no/such/lens.yml"), message));
    EXPECT_NE(message.find("does not exist"), std::string::npos);
    EXPECT_FALSE(recordCanBeWritten(folder_.string(), message));
    EXPECT_TRUE(recordCanBeWritten(path("new.json"), message));
}

TEST_F(Record, WhatCannotBeReadIsRefusedInOneLine)
{
    const std::string valid = "%YAML:1.0\n---\nx: 6\ny: 1152\npitch: 8.25\nmirror: 1\n";
    write("no-pitch.yml", "%YAML:1.0\n---\nx: 6\ny: 1152\nmirror: 1\n");
    write("mirror-two.yml", "%YAML:1.0\n---\nx: 6\ny: 1152\npitch: 8\nmirror: 2\n");
    write("pitch-big.yml", "%YAML:1.0\n---\nx: 6\ny: 1152\npitch: 1000\nmirror: 0\n");
    write("y-zero.json", R"({"x": 6, "y": 0, "pitch": 8, "mirror": 0})");
    write("x-text.json", R"({"x": "six", "y": 1152, "pitch": 8, "mirror": 0})");
    write("broken.json", R"({"x": 6, "y": 1152, "pitch": )");
    write("text.yml", "just some words\nand more\n");
    write("width-big.yml", valid + "width: 99999\n");
    write("empty.yml", "");
    for (const char* name : {"no-pitch.yml", "mirror-two.yml", "pitch-big.yml", "y-zero.json", "x-text.json",
                             "broken.json", "text.yml", "width-big.yml", "empty.yml", "missing.yml"}) {
        CalibrationRecord loaded;
        std::string message;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(loadCalibrationRecord(path(name), loaded, message)) << name;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << name;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        EXPECT_NE(message.find(name), std::string::npos) << message;
    }
    write("valid.yml", valid);
    CalibrationRecord loaded;
    std::string message;
    EXPECT_TRUE(loadCalibrationRecord(path("valid.yml"), loaded, message)) << message;
    EXPECT_EQ(loaded.width, 0); // not given: not known
}

} // namespace

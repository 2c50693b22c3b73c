// The calibration record: written whole as YAML or JSON, read back, and
// refused in one line when it cannot be used.
#include "veltrane/records/calibration_record.h"
#include "veltrane/records/value_text.h"

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <iterator>

#include <sys/stat.h>
#include <unistd.h>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

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
    const CalibrationRecord saved{{6, 1152, 8.25, true}, 1920, 1080, "HDMI-1", false, 0, std::nullopt};
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
    ASSERT_TRUE(saveCalibrationRecord(path("lens.yml"), {{2, 10, 4.0, false}, 0, 0, "", false, 0, std::nullopt}, "now", message));
    CalibrationRecord loaded;
    ASSERT_TRUE(loadCalibrationRecord(path("lens.yml"), loaded, message)) << message;
    EXPECT_EQ(loaded.calibration.x, 2);
    EXPECT_FALSE(saveCalibrationRecord(path("no/such/folder/lens.yml"), {}, "now", message));
    EXPECT_FALSE(recordCanBeWritten(path("no/such/lens.yml"), message));
    EXPECT_NE(message.find("does not exist"), std::string::npos);
    EXPECT_FALSE(recordCanBeWritten(folder_.string(), message));
    EXPECT_TRUE(recordCanBeWritten(path("new.json"), message));
}

// A save replaces a record, or an empty file, and nothing else: a photo or
// a video given as --save by mistake stays as it was.
TEST_F(Record, ASaveReplacesNothingButARecord)
{
    const std::string photo("\xff\xd8\xff\xe0\x00\x10JFIF\x00 and then the picture", 31);
    write("photo.jpg", photo);
    write("notes.yml", "- a list\n- not a record\n");
    write("empty.yml", "");
    std::string message;
    for (const char* kept : {"photo.jpg", "notes.yml"}) {
        EXPECT_FALSE(recordCanBeWritten(path(kept), message)) << kept;
        EXPECT_NE(message.find("is not a calibration record"), std::string::npos) << message;
        EXPECT_FALSE(saveCalibrationRecord(path(kept), {{2, 10, 4.0, false}, 0, 0, "", false, 0, std::nullopt}, "now",
                                           message));
    }
    std::ifstream in(path("photo.jpg"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), photo);
    EXPECT_TRUE(recordCanBeWritten(path("empty.yml"), message)) << message;
    EXPECT_TRUE(saveCalibrationRecord(path("empty.yml"), {{2, 10, 4.0, false}, 0, 0, "", false, 0, std::nullopt}, "now",
                                      message))
        << message;
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
    write("x-negative.yml", "%YAML:1.0\n---\nx: -6\ny: 1152\npitch: 8\nmirror: 0\n");
    write("x-huge.yml", "%YAML:1.0\n---\nx: 1073741824\ny: 1152\npitch: 8\nmirror: 0\n");
    write("y-huge.json", R"({"x": 6, "y": 16777217, "pitch": 8, "mirror": 0})");
    for (const char* name : {"no-pitch.yml", "mirror-two.yml", "pitch-big.yml", "y-zero.json", "x-text.json",
                             "broken.json", "text.yml", "width-big.yml", "empty.yml", "missing.yml", "x-negative.yml",
                             "x-huge.yml", "y-huge.json"}) {
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

// The view phase and the panel's subpixel order go into the record and come
// back; a record without them has 0 and rgb, and wrong ones are refused.
TEST_F(Record, ViewPhaseAndSubpixelOrder)
{
    CalibrationRecord record;
    record.calibration = {6, 1152, 8.25, true, 2.5, ChannelOrder::Bgr};
    std::string message;
    for (const char* name : {"display.yml", "display.json"}) {
        ASSERT_TRUE(saveCalibrationRecord(path(name), record, "2026-12-07T10:00:00+00:00", message)) << message;
        CalibrationRecord loaded;
        ASSERT_TRUE(loadCalibrationRecord(path(name), loaded, message)) << message;
        EXPECT_EQ(loaded.calibration.viewPhase, 2.5) << name;
        EXPECT_EQ(loaded.calibration.subpixelOrder, ChannelOrder::Bgr) << name;
    }
    const std::string keys = "x: 6\ny: 1152\npitch: 8\nmirror: 1\n";
    write("plain.yml", keys);
    CalibrationRecord loaded;
    loaded.calibration.viewPhase = 9;
    ASSERT_TRUE(loadCalibrationRecord(path("plain.yml"), loaded, message)) << message;
    EXPECT_EQ(loaded.calibration.viewPhase, 0.0);
    EXPECT_EQ(loaded.calibration.subpixelOrder, ChannelOrder::Rgb);
    write("order.yml", keys + "subpixel_order: grb\n");
    write("phase.yml", keys + "view_phase: 1e9\n");
    write("phase-text.yml", keys + "view_phase: left\n");
    for (const char* name : {"order.yml", "phase.yml", "phase-text.yml"})
        EXPECT_FALSE(loadCalibrationRecord(path(name), loaded, message)) << name;
}

// The views' order a player saved: read back as written; a record of the
// usual order (the calibrator's) has neither key.
TEST_F(Record, ReversedAndOffsetViews)
{
    CalibrationRecord record;
    record.calibration = {6, 1152, 8.25, true};
    record.reverse = true;
    record.viewOffset = -3;
    std::string message;
    for (const char* name : {"order.yml", "order.json"}) {
        ASSERT_TRUE(saveCalibrationRecord(path(name), record, "2026-12-07T10:00:00+00:00", message)) << message;
        CalibrationRecord loaded;
        ASSERT_TRUE(loadCalibrationRecord(path(name), loaded, message)) << message;
        EXPECT_TRUE(loaded.reverse) << name;
        EXPECT_EQ(loaded.viewOffset, -3) << name;
    }
    CalibrationRecord usualOrder;
    usualOrder.calibration = record.calibration;
    ASSERT_TRUE(saveCalibrationRecord(path("usual.yml"), usualOrder, "now", message));
    std::ifstream usual(path("usual.yml"));
    const std::string text((std::istreambuf_iterator<char>(usual)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("reverse"), std::string::npos) << text;
    EXPECT_EQ(text.find("view_offset"), std::string::npos) << text;
    const std::string keys = "x: 6\ny: 1152\npitch: 8\nmirror: 1\n";
    write("twice-reversed.yml", keys + "reverse: 2\n");
    write("half-offset.yml", keys + "view_offset: 1.5\n");
    CalibrationRecord loaded;
    for (const char* name : {"twice-reversed.yml", "half-offset.yml"})
        EXPECT_FALSE(loadCalibrationRecord(path(name), loaded, message)) << name;
}

// The weighting content was composed with: read back as written, absent
// when not known, and nothing but lines or full.
TEST_F(Record, TheWeighting)
{
    CalibrationRecord record;
    record.calibration = {6, 1152, 8.25, true};
    std::string message;
    for (const Weighting weighting : {Weighting::Lines, Weighting::Full}) {
        record.weighting = weighting;
        ASSERT_TRUE(saveCalibrationRecord(path("weights.yml"), record, "now", message)) << message;
        CalibrationRecord loaded;
        ASSERT_TRUE(loadCalibrationRecord(path("weights.yml"), loaded, message)) << message;
        ASSERT_TRUE(loaded.weighting.has_value());
        EXPECT_EQ(*loaded.weighting, weighting);
        std::remove(path("weights.yml").c_str());
    }
    const std::string keys = "x: 6\ny: 1152\npitch: 8\nmirror: 1\n";
    write("none.yml", keys);
    CalibrationRecord loaded;
    loaded.weighting = Weighting::Lines;
    ASSERT_TRUE(loadCalibrationRecord(path("none.yml"), loaded, message)) << message;
    EXPECT_FALSE(loaded.weighting.has_value());
    write("soft.yml", keys + "weights: soft\n");
    write("number.yml", keys + "weights: 1\n");
    for (const char* name : {"soft.yml", "number.yml"}) {
        EXPECT_FALSE(loadCalibrationRecord(path(name), loaded, message)) << name;
        EXPECT_NE(message.find("'weights' is neither lines nor full"), std::string::npos) << message;
    }
}

// The sheet's measures: kept exactly through YAML and JSON when known, not
// written when not, the three needed together for the optics, and a
// length out of its range (or no number) refused by its key.
TEST_F(Record, TheSheetsMeasuresInMillimetres)
{
    CalibrationRecord record;
    record.calibration = {6, 1152, 8.25, true};
    record.measures = {652.5, 1.35, 596.736};
    std::string message;
    for (const char* name : {"measured.yml", "measured.json"}) {
        ASSERT_TRUE(saveCalibrationRecord(path(name), record, "now", message)) << message;
        CalibrationRecord loaded;
        ASSERT_TRUE(loadCalibrationRecord(path(name), loaded, message)) << message;
        const std::optional<SheetMeasures> measures = sheetMeasures(loaded.measures);
        ASSERT_TRUE(measures.has_value()) << name;
        EXPECT_EQ(measures->distance, 652.5);
        EXPECT_EQ(measures->gap, 1.35);
        EXPECT_EQ(measures->panelWidth, 596.736);
    }
    record.measures.gap.reset();
    ASSERT_TRUE(saveCalibrationRecord(path("partly.yml"), record, "now", message)) << message;
    std::ifstream partly(path("partly.yml"));
    const std::string text((std::istreambuf_iterator<char>(partly)), {});
    EXPECT_EQ(text.find("gap_mm"), std::string::npos) << text;
    CalibrationRecord loaded;
    ASSERT_TRUE(loadCalibrationRecord(path("partly.yml"), loaded, message)) << message;
    EXPECT_EQ(loaded.measures.panelWidth, 596.736);
    EXPECT_FALSE(loaded.measures.gap.has_value());
    EXPECT_FALSE(sheetMeasures(loaded.measures).has_value());

    const std::string keys = "x: 6\ny: 1152\npitch: 8\nmirror: 1\n";
    write("flat.yml", keys + "gap_mm: 0\nviewing_distance_mm: 10\npanel_width_mm: 1\n");
    ASSERT_TRUE(loadCalibrationRecord(path("flat.yml"), loaded, message)) << message;
    EXPECT_EQ(loaded.measures.gap, 0.0); // a sheet lying on the panel is a sheet
    const struct {
        const char* text;
        const char* refusal;
    } bad[] = {{"gap_mm: -0.1\n", "'gap_mm' is not a length from 0 to 100 mm"},
               {"gap_mm: 100.5\n", "'gap_mm' is not a length from 0 to 100 mm"},
               {"gap_mm: .nan\n", "'gap_mm' is not a length from 0 to 100 mm"},
               {"viewing_distance_mm: 9\n", "'viewing_distance_mm' is not a length from 10 to 100000 mm"},
               {"viewing_distance_mm: far\n", "'viewing_distance_mm' is not a length from 10 to 100000 mm"},
               {"panel_width_mm: 1e6\n", "'panel_width_mm' is not a length from 1 to 100000 mm"}};
    for (const auto& refused : bad) {
        write("bad.yml", keys + refused.text);
        EXPECT_FALSE(loadCalibrationRecord(path("bad.yml"), loaded, message)) << refused.text;
        EXPECT_NE(message.find(refused.refusal), std::string::npos) << message;
    }
}

// Records as people write them by hand: YAML without its first line, with
// comments; and XML, which the parser also reads.
TEST_F(Record, HandWrittenRecordsAreRead)
{
    write("plain.yml", "# the lens monitor\nx: 6\ny: 1152\npitch: 8.25\nmirror: 1\n");
    write("dashes.yml", "---\nx: 6\ny: 1152\npitch: 8.25\nmirror: 1\nscreen: \"DP-1\"\n");
    write("record.xml", "<?xml version=\"1.0\"?>\n<opencv_storage>\n<x>6</x><y>1152</y><pitch>8.25</pitch>"
                        "<mirror>1</mirror></opencv_storage>\n");
    for (const char* name : {"plain.yml", "dashes.yml", "record.xml"}) {
        CalibrationRecord loaded;
        std::string message;
        ASSERT_TRUE(loadCalibrationRecord(path(name), loaded, message)) << name << ": " << message;
        EXPECT_EQ(loaded.calibration.x, 6) << name;
        EXPECT_EQ(loaded.calibration.pitch, 8.25) << name;
        EXPECT_TRUE(loaded.calibration.mirror) << name;
    }
}

// What would make the parser recurse without end, take seconds, or read
// a value other than the one written is refused before it is parsed.
TEST_F(Record, DeepLargeOrAmbiguousRecordsAreRefused)
{
    const std::string keys = "x: 6\ny: 1152\npitch: 8\nmirror: 0\n";
    write("deep.json", "{\"x\": " + std::string(100000, '[') + std::string(100000, ']') + "}");
    write("deep-flow.yml", "z: " + std::string(5000, '{') + "\n" + keys);
    std::string sequence;
    for (int i = 0; i < 20000; ++i)
        sequence += "- ";
    write("deep-block.yml", keys + "z:\n  " + sequence + "1\n");
    std::string xml = "<?xml version=\"1.0\"?>\n<opencv_storage>";
    for (int i = 0; i < 10000; ++i)
        xml += "<a>";
    write("deep.xml", xml + "\n");
    write("large.yml", keys + "# " + std::string(100000, '.') + "\n");
    write("twice.yml", keys + "x: 7\n");
    fs::create_directory(folder_ / "folder.yml");
    ASSERT_EQ(::mkfifo(path("pipe.yml").c_str(), 0600), 0); // would never end if it were read
    for (const char* name : {"deep.json", "deep-flow.yml", "deep-block.yml", "deep.xml", "large.yml", "twice.yml",
                             "folder.yml", "pipe.yml"}) {
        CalibrationRecord loaded;
        std::string message;
        EXPECT_FALSE(loadCalibrationRecord(path(name), loaded, message)) << name;
        EXPECT_NE(message.find(name), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

// The parser keeps only an int's low 32 bits of a whole number: x written as
// 2^32 + 6 would be read as 6. Such numbers are refused wherever they stand;
// long digits in a comment or a string, and the largest int, are not.
TEST_F(Record, WholeNumbersBeyondAnIntAreRefusedNotCut)
{
    const std::string rest = "y: 1152\npitch: 8.25\nmirror: 1\n";
    write("wrapped.yml", "x: 4294967302\n" + rest);
    write("negative.yml", "x: 6\n" + rest + "view_offset: -4294967296\n");
    write("hex.yml", "x: 0x100000006\n" + rest);
    write("wrapped.json", "{\"x\": 4294967302, \"y\": 1152, \"pitch\": 8.25, \"mirror\": 1}");
    write("wrapped.xml", "<?xml version=\"1.0\"?>\n<opencv_storage><x>4294967302</x><y>1152</y>"
                         "<pitch>8.25</pitch><mirror>1</mirror></opencv_storage>\n");
    write("zeros.yml", "x: 00000000000000000000006\n" + rest);
    for (const char* name : {"wrapped.yml", "negative.yml", "hex.yml", "wrapped.json", "wrapped.xml"}) {
        CalibrationRecord loaded;
        std::string message;
        EXPECT_FALSE(loadCalibrationRecord(path(name), loaded, message)) << name << " read with x " << loaded.calibration.x;
        EXPECT_NE(message.find("too large"), std::string::npos) << message;
    }
    write("fits.yml", "# saved 123456789012345678901234567890\nx: 6\n" + rest + "view_offset: -2147483647\n"
                      "screen: \"99999999999999\"\n");
    for (const char* name : {"zeros.yml", "fits.yml"}) {
        CalibrationRecord loaded;
        std::string message;
        ASSERT_TRUE(loadCalibrationRecord(path(name), loaded, message)) << name << ": " << message;
        EXPECT_EQ(loaded.calibration.x, 6);
    }
}

// A name is a name: a question mark in it is neither cut off on reading nor
// on writing, and nothing beside it is touched.
TEST_F(Record, QuestionMarksInNamesAreOrdinaryCharacters)
{
    write(".profile", "kept");
    write("lens", "not a record");
    CalibrationRecord record;
    record.calibration = {4, 1080, 7.5, false};
    std::string message;
    ASSERT_TRUE(saveCalibrationRecord(path("profile?.yml"), record, "2026-12-07T10:00:00+00:00", message)) << message;
    ASSERT_TRUE(saveCalibrationRecord(path("lens?v2.json"), record, "2026-12-07T10:00:00+00:00", message)) << message;
    CalibrationRecord loaded;
    ASSERT_TRUE(loadCalibrationRecord(path("profile?.yml"), loaded, message)) << message;
    EXPECT_EQ(loaded.calibration.pitch, 7.5);
    ASSERT_TRUE(loadCalibrationRecord(path("lens?v2.json"), loaded, message)) << message;
    EXPECT_EQ(loaded.calibration.x, 4);
    std::ifstream kept(path(".profile"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept");
}

} // namespace

namespace {

// A record keeps the pitch the line printed: key steps of 0.01 from 8 sum
// to 8.2499999999999982, which prints as 8.2500 and is saved as 8.25.
TEST(PrintedPitch, IsWhatTheLineShows)
{
    double pitch = 8.0;
    for (int step = 0; step < 25; ++step)
        pitch += 0.01;
    ASSERT_NE(pitch, 8.25);
    EXPECT_EQ(printedPitch(pitch), 8.25);
    EXPECT_EQ(printedPitch(999.99994), 999.9999);
    EXPECT_EQ(printedPitch(2.0), 2.0);
}

} // namespace

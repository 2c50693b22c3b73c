// Where frames go: checked before any work, written whole or not at all, and
// a write that fails ends the run with a failure.
#include "veltrane/interlacer/frame_pipeline.h"
#include "veltrane/interlacer/output_writer.h"
#include "support/outcome_kind.h"
#include "support/view_folder.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

// Where the writer puts a file before it is whole: the device that is
// always full stands there, so every write to it fails.
void fullDiskFor(const std::string& file)
{
    const fs::path target(file);
    fs::create_symlink("/dev/full", "." + target.stem().string() + "." + std::to_string(::getpid()) + ".tmp" +
                                        target.extension().string());
}

const cv::Mat Frame(8, 16, CV_8UC3, cv::Scalar(1, 2, 3));

// Frames 0 to 2 of views 0 and 1, each the same small image.
void writeViews()
{
    for (int frame = 0; frame < 3; ++frame)
        for (int view = 0; view < 2; ++view)
            cv::imwrite("v_" + std::to_string(frame) + "_" + std::to_string(view) + ".png", Frame);
}

// The options that interlace them.
InterlaceOptions optionsOfViews()
{
    InterlaceOptions options;
    options.calibration = {6, 1152, 8.0, false};
    options.viewsPattern = "v_{frame}_{view}.png";
    return options;
}

TEST(OutputWriter, AnyFrameThatExistsIsFoundBeforeWork)
{
    const ViewFolder folder;
    cv::imwrite("f_2.png", Frame);
    std::string message;
    OutputWriter writer;
    EXPECT_FALSE(writer.prepare("f_{frame}.png", {0, 1, 2, 3}, 24, false, false, message));
    EXPECT_NE(message.find("f_2.png"), std::string::npos) << message;
    OutputWriter forced;
    EXPECT_TRUE(forced.prepare("f_{frame}.png", {0, 1, 2, 3}, 24, true, false, message)) << message;
}

TEST(OutputWriter, AFailedWriteIsNeverRenamedIntoPlace)
{
    const ViewFolder folder;
    std::string message;
    OutputWriter writer;
    ASSERT_TRUE(writer.prepare("z.png", {0}, 24, false, false, message)) << message;
    fullDiskFor("z.png");
    EXPECT_FALSE(writer.write(0, Frame, message));
    EXPECT_NE(message.find("z.png"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists("z.png"));
    EXPECT_FALSE(fs::is_symlink(".z." + std::to_string(::getpid()) + ".tmp.png")); // nothing left behind
}

TEST(OutputWriter, AWriteThatFailsEndsTheRunWithAFailure)
{
    const ViewFolder folder;
    writeViews();
    fullDiskFor("out_1.png");
    InterlaceOptions options = optionsOfViews();
    options.output = "out_{frame}.png";
    std::string message;
    EXPECT_EQ(kindOf(runInterlace(options, nullptr, false), message), Outcome::Kind::Failed);
    EXPECT_NE(message.find("out_1.png"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists("out_1.png"));
    // Frames are encoded several at once: one after the failing frame may be
    // written too, and is then whole.
    if (fs::exists("out_2.png")) {
        EXPECT_EQ(cv::imread("out_2.png").size(), Frame.size());
    }
}

TEST(OutputWriter, AVideoThatFailsHalfWayLeavesNothingBehind)
{
    const ViewFolder folder;
    writeViews();
    cv::imwrite("v_2_1.png", cv::Mat(9, 16, CV_8UC3, cv::Scalar::all(4))); // frame 2 fails after two are written
    InterlaceOptions options = optionsOfViews();
    options.output = "out.mkv";
    std::string message;
    EXPECT_EQ(kindOf(runInterlace(options, nullptr, false), message), Outcome::Kind::Failed);
    EXPECT_NE(message.find("views must share a size"), std::string::npos) << message;
    for (const auto& entry : fs::directory_iterator(".")) {
        if (entry.is_regular_file() || entry.is_symlink()) {
            EXPECT_EQ(entry.path().extension(), ".png") << "left behind: " << entry.path();
        }
    }
}

// A video's frames all have its first frame's size and type: a larger or
// grey frame handed over later is refused, never copied past the frame's
// buffer, and nothing is left of the video.
TEST(OutputWriter, AVideoRefusesFramesOfAnotherSizeOrType)
{
    const ViewFolder folder;
    const cv::Mat later[] = {cv::Mat(16, 32, CV_8UC3, cv::Scalar::all(9)), cv::Mat(8, 16, CV_8UC1, cv::Scalar(9)),
                             cv::Mat(4, 16, CV_8UC3, cv::Scalar::all(9))};
    for (const cv::Mat& frame : later) {
        OutputWriter writer;
        std::string message;
        ASSERT_TRUE(writer.prepare("film.mkv", {0, 1}, 24.0, false, false, message)) << message;
        ASSERT_TRUE(writer.write(0, Frame, message)) << message;
        EXPECT_FALSE(writer.write(1, frame, message));
        EXPECT_NE(message.find("the video's frames are 16 x 8"), std::string::npos) << message;
        writer.abandon();
        for (const auto& entry : fs::directory_iterator("."))
            EXPECT_TRUE(entry.is_directory()) << "left behind: " << entry.path();
    }
}

} // namespace

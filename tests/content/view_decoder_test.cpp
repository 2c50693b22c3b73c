// View files decoded ahead by a few threads: handed over in order, never more
// than the bound ahead of the last one taken, a bad file in the middle
// reported without stopping the rest.
#include "veltrane/content/view_decoder.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

class Decoder : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device device;
        folder = fs::temp_directory_path() / ("veltrane-decoder-" + std::to_string(device()));
        fs::create_directories(folder);
        for (int i = 0; i < 6; ++i) {
            files.push_back((folder / ("view_" + std::to_string(i) + ".png")).string());
            cv::imwrite(files.back(), cv::Mat(8, 12, CV_8UC3, cv::Scalar(i, 10 * i, 100)));
        }
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
    std::vector<std::string> files;
};

TEST_F(Decoder, ViewsComeInOrderInEitherChannelOrder)
{
    for (const bool subpixelOrder : {false, true}) {
        ViewDecoder decoder(files, 3, 4, subpixelOrder);
        for (int i = 0; i < 6; ++i) {
            std::string problem;
            const cv::Mat view = decoder.take(i, problem);
            ASSERT_FALSE(view.empty()) << problem;
            const cv::Vec3b expected = subpixelOrder ? cv::Vec3b(100, 10 * i, i) : cv::Vec3b(i, 10 * i, 100);
            EXPECT_EQ(view.at<cv::Vec3b>(4, 6), expected) << "view " << i;
        }
    }
}

TEST_F(Decoder, NothingIsDecodedBeyondTheBoundAheadOfTheLastTaken)
{
    ViewDecoder decoder(files, 4, 2);
    decoder.waitUntilIdle();
    EXPECT_EQ(decoder.begun(), 2u);
    for (int i = 2; i < 6; ++i)
        fs::remove(files[i]);
    std::string problem;
    EXPECT_FALSE(decoder.take(0, problem).empty()); // within the bound: decoded already
    EXPECT_FALSE(decoder.take(1, problem).empty());
    EXPECT_TRUE(decoder.take(2, problem).empty()); // only looked for once view 0 was taken
    EXPECT_EQ(problem, "it no longer exists");
}

TEST_F(Decoder, ABadFileInTheMiddleIsReportedAndTheRestStillCome)
{
    std::ofstream(files[2], std::ios::binary | std::ios::trunc) << "\x89PNG\r\n\x1a\n but nothing after";
    ViewDecoder decoder(files, 2, 3);
    for (int i = 0; i < 6; ++i) {
        std::string problem;
        const cv::Mat view = decoder.take(i, problem);
        EXPECT_EQ(view.empty(), i == 2) << "view " << i << ": " << problem;
        EXPECT_EQ(problem.empty(), i != 2) << "view " << i;
    }
}

// Taken out of order: a later view passes over the ones before it, which
// are never handed over afterwards; nothing waits for a view that will not
// come (each case ends, or the test's time-out fails it).
TEST_F(Decoder, AViewTakenOutOfOrderPassesOverTheOnesBeforeIt)
{
    ViewDecoder decoder(files, 2, 1);
    std::string problem;
    const cv::Mat fourth = decoder.take(4, problem);
    ASSERT_FALSE(fourth.empty()) << problem;
    EXPECT_EQ(fourth.at<cv::Vec3b>(0, 0), cv::Vec3b(4, 40, 100));
    EXPECT_TRUE(decoder.take(2, problem).empty());
    EXPECT_EQ(problem, "it was handed over already");
    EXPECT_TRUE(decoder.take(4, problem).empty());
    EXPECT_EQ(decoder.take(5, problem).at<cv::Vec3b>(0, 0), cv::Vec3b(5, 50, 100));
    EXPECT_TRUE(decoder.take(6, problem).empty());
    EXPECT_EQ(problem, "there is no such view");
}

TEST_F(Decoder, ADecoderLeftEarlyStopsItsThreads)
{
    // Destroyed with views decoded and not taken, and decoders waiting.
    for (int run = 0; run < 20; ++run) {
        ViewDecoder decoder(files, 3, 2);
        std::string problem;
        EXPECT_FALSE(decoder.take(0, problem).empty());
    }
}

} // namespace

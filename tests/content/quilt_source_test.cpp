// Quilt videos read frame by frame at the sizes their streams code: exact
// and red first, read again from the start for an earlier frame, and a frame
// of another size or one that does not decode named where it is, never
// scaled or skipped.
#include "veltrane/content/quilt_source.h"

#include "support/jpeg_video.h"
#include "support/view_folder.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <gtest/gtest.h>

#include <fstream>

using namespace veltrane;

namespace {

cv::Mat redFirst(const cv::Mat& bgr)
{
    cv::Mat rgb;
    cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
    return rgb;
}

bool sameBytes(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0.0;
}

// Frames of one colour each, BGR: a JPEG keeps them within a few levels.
std::vector<cv::Mat> plainFrames(const std::vector<cv::Size>& sizes)
{
    std::vector<cv::Mat> frames;
    for (std::size_t f = 0; f < sizes.size(); ++f)
        frames.emplace_back(sizes[f], CV_8UC3, cv::Scalar(20 * f, 40, 230)); // mostly red
    return frames;
}

TEST(QuiltVideo, FramesAreExactRedFirstAndAnEarlierOneIsReadAgain)
{
    ViewFolder folder;
    std::vector<cv::Mat> frames;
    {
        cv::VideoWriter video("film_qs2x2.mkv", cv::VideoWriter::fourcc('F', 'F', 'V', '1'), 10, {64, 32});
        ASSERT_TRUE(video.isOpened());
        for (int f = 0; f < 3; ++f) {
            frames.push_back(patternView(f, 64, 32));
            video.write(frames.back());
        }
    }
    QuiltSource source;
    const Outcome opened = source.open("film_qs2x2.mkv", 0, 0);
    ASSERT_TRUE(opened) << opened.message;
    EXPECT_TRUE(source.video());
    EXPECT_EQ(source.views(), 4);
    EXPECT_EQ(source.size(), cv::Size(64, 32));
    EXPECT_EQ(source.declaredFrames(), 3);
    EXPECT_DOUBLE_EQ(source.fps(), 10.0);
    cv::Mat quilt;
    std::string problem;
    for (const int f : {0, 1, 2, 1, 0, 2}) {
        ASSERT_TRUE(source.read(f, quilt, problem)) << f << ": " << problem;
        EXPECT_TRUE(sameBytes(quilt, redFirst(frames[f]))) << "frame " << f;
    }
    EXPECT_FALSE(source.read(3, quilt, problem));
    EXPECT_EQ(problem, "");
    EXPECT_EQ(source.framesRead(), 3);
}

TEST(QuiltVideo, FramesThatChangeSizeAreRefusedAtTheFirstOfTheNewSize)
{
    ViewFolder folder;
    const std::vector<cv::Size> sizes{{64, 32}, {64, 32}, {64, 32}, {80, 32}, {80, 32}, {80, 32}};
    ASSERT_TRUE(writeJpegVideo("grow_qs2x2.mkv", plainFrames(sizes)));
    const std::string change = "grow_qs2x2.mkv: its frames change size at frame 3, from 64 x 32 to 80 x 32";
    {
        QuiltSource source;
        ASSERT_TRUE(source.open("grow_qs2x2.mkv", 0, 0));
        cv::Mat quilt;
        std::string problem;
        for (int f = 0; f < 3; ++f) {
            ASSERT_TRUE(source.read(f, quilt, problem)) << f << ": " << problem;
            ASSERT_EQ(quilt.size(), cv::Size(64, 32));
            const cv::Vec3b pixel = quilt.at<cv::Vec3b>(16, 32);
            EXPECT_NEAR(pixel[0], 230, 4) << "red first, frame " << f;
            EXPECT_NEAR(pixel[2], 20 * f, 4) << "blue last, frame " << f;
        }
        EXPECT_FALSE(source.read(3, quilt, problem));
        EXPECT_EQ(problem, change);
    }
    QuiltSource skipping; // frames passed over on the way are checked too
    ASSERT_TRUE(skipping.open("grow_qs2x2.mkv", 0, 0));
    cv::Mat quilt;
    std::string problem;
    EXPECT_FALSE(skipping.read(5, quilt, problem));
    EXPECT_EQ(problem, change);
}

TEST(QuiltVideo, ADamagedFrameIsNamedNotSkipped)
{
    ViewFolder folder;
    ASSERT_TRUE(writeJpegVideo("hurt_qs1x1.mkv", plainFrames(std::vector<cv::Size>(5, {32, 16})), 2));
    QuiltSource source;
    ASSERT_TRUE(source.open("hurt_qs1x1.mkv", 0, 0));
    cv::Mat quilt;
    std::string problem;
    ASSERT_TRUE(source.read(1, quilt, problem)) << problem;
    EXPECT_FALSE(source.read(2, quilt, problem));
    EXPECT_EQ(problem.rfind("hurt_qs1x1.mkv: frame 2 cannot be read: ", 0), 0u) << problem;
}

TEST(QuiltVideo, WhatIsNoVideoIsRefused)
{
    ViewFolder folder;
    std::ofstream("words_qs2x2.mkv") << "no video in here\n";
    std::ofstream("empty_qs2x2.mp4");
    for (const char* file : {"words_qs2x2.mkv", "empty_qs2x2.mp4"}) {
        QuiltSource source;
        const Outcome opened = source.open(file, 0, 0);
        EXPECT_EQ(opened.kind, Outcome::Kind::Failed) << file;
        EXPECT_EQ(opened.message.rfind(std::string(file) + " cannot be read as a video", 0), 0u) << opened.message;
    }
    QuiltSource missing;
    EXPECT_EQ(missing.open("gone_qs2x2.mkv", 0, 0).message, "gone_qs2x2.mkv does not exist");
}

} // namespace

#include "engine/blend.h"
#include "engine/view_masks.h"
#include "support/counting_allocator.h"
#include "support/engine_fixture.h"

#include <opencv2/core.hpp>

namespace {

using Blend = EngineTest;

// One pixel, one view, with a mask the test fills by hand.
class OnePixel : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        geometry(1, 1, 8.0, 1, 0, 0, 0);
        ASSERT_EQ(allocateViewMasks(), 0);
    }
    void TearDown() override
    {
        releaseViewMasks();
        EngineTest::TearDown();
    }
    void mask(int s0, int s1, int s2)
    {
        state.viewMasks[0][0] = static_cast<unsigned char>(s0);
        state.viewMasks[0][1] = static_cast<unsigned char>(s1);
        state.viewMasks[0][2] = static_cast<unsigned char>(s2);
    }
    unsigned char image[3] = {};
    unsigned char output[3] = {};
};

TEST_F(OnePixel, FullMaskCopiesAndEmptyMaskLeavesAlone)
{
    image[0] = 12, image[1] = 34, image[2] = 255;
    mask(255, 255, 255);
    blendPixel(image, output, 0, 0, 0);
    EXPECT_EQ(output[0], 12);
    EXPECT_EQ(output[1], 34);
    EXPECT_EQ(output[2], 255);
    mask(0, 0, 0);
    blendPixel(image, output, 0, 0, 0);
    EXPECT_EQ(output[0], 12);
    EXPECT_EQ(output[2], 255);
}

TEST_F(OnePixel, SharesTruncateAndSumsSaturate)
{
    image[1] = 200;
    mask(0, 200, 0);
    blendPixel(image, output, 0, 0, 0);
    EXPECT_EQ(output[1], 156); // 40000 / 255 = 156.86
    output[1] = 250;
    image[1] = 10;
    mask(0, 255, 0);
    blendPixel(image, output, 0, 0, 0);
    EXPECT_EQ(output[1], 255);
}

TEST_F(OnePixel, OuterChannelsCross)
{
    image[2] = 255; // pure red
    mask(255, 0, 0); // subpixel 0, the leftmost, is red
    blendPixel(image, output, 0, 0, 0);
    EXPECT_EQ(output[2], 255);
    EXPECT_EQ(output[0], 0);
    output[2] = 0;
    mask(0, 0, 255);
    blendPixel(image, output, 0, 0, 0);
    EXPECT_EQ(output[2], 0);
}

cv::Mat solid(int width, int height, cv::Scalar colour);

TEST(TwoViewCount, FollowsThePitch)
{
    resetCalibrationState();
    EXPECT_EQ(twoViewCount(8.0), 10);
    EXPECT_EQ(twoViewCount(7.0), 10);
    EXPECT_EQ(twoViewCount(6.5), 10);
    EXPECT_EQ(twoViewCount(6.4), 8);
    EXPECT_EQ(twoViewCount(2.0), 4);
}

cv::Mat solid(int width, int height, cv::Scalar colour)
{
    return cv::Mat(height, width, CV_8UC3, colour);
}

// Vertical lines at pitch 8.0 and 10 views: line k lies at column 0.8 k and
// belongs to view k mod 10, with the weights of the 8-over-10 table. Pixel 1
// holds subpixel columns 3 (red), 4 (green) and 5 (blue):
//   column 3: view 3 gives 46, view 4 gives 143;
//   column 4: view 4 gives 11, view 5 gives 159, view 6 gives 11;
//   column 5: view 6 gives 143, view 7 gives 46.
// Pixel 2 holds columns 6 (views 7 and 8, 89 each), 7 (view 8: 46, view 9:
// 143) and 8 (view 0: 159, views 1 and 9: 11 each).
TEST_F(Blend, TwoViewsFeedTheFirstHalfFromTheFirstImage)
{
    geometry(48, 24, 8.0, 0, 0, 60, 0);
    const cv::Mat white = solid(48, 24, {255, 255, 255});
    const cv::Mat black = solid(48, 24, {0, 0, 0});
    cv::Mat out = solid(48, 24, {7, 7, 7});

    ASSERT_EQ(interlaceTwoViews(white.data, black.data, out.data), 0);
    EXPECT_EQ(state.viewCount, 10);
    EXPECT_EQ(state.viewMasks, nullptr);
    EXPECT_EQ(out.at<cv::Vec3b>(10, 1), cv::Vec3b(0, 11, 189));
    EXPECT_EQ(out.at<cv::Vec3b>(10, 2), cv::Vec3b(170, 0, 0));
    EXPECT_EQ(out.at<cv::Vec3b>(0, 1), cv::Vec3b(0, 0, 0)); // cleared, never plotted

    ASSERT_EQ(interlaceTwoViews(black.data, white.data, out.data), 0);
    EXPECT_EQ(out.at<cv::Vec3b>(10, 1), cv::Vec3b(189, 170, 0));
    EXPECT_EQ(out.at<cv::Vec3b>(10, 2), cv::Vec3b(11, 189, 178));
}

TEST_F(Blend, FailedAllocationLeavesTheOutputAndPrintsOnce)
{
    geometry(16, 8, 8.0, 0, 0, 24, 0);
    const cv::Mat white = solid(16, 8, {255, 255, 255});
    for (int failAt : {1, 2, 5}) {
        cv::Mat out = solid(16, 8, {7, 8, 9});
        CountingAllocator failing(failAt);
        ::testing::internal::CaptureStdout();
        const int result = interlaceTwoViews(white.data, white.data, out.data);
        const std::string printed = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, failAt == 1 ? 1 : 2);
        EXPECT_EQ(printed, failAt == 1 ? "\n---out of memory---\n" : "\n---error:malloc:1---\n");
        EXPECT_EQ(out.at<cv::Vec3b>(3, 3), cv::Vec3b(7, 8, 9));
        EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
    }
}

// Mirrored lens lines lean the other way but must light the band between the
// panel bars (rows 64 to 448) as evenly as unmirrored ones: every row, and
// both halves of the frame.
TEST_F(Blend, MirroredPitchFramesHaveNoEmptyRows)
{
    const cv::Mat yellow = solid(640, 512, {0, 255, 255});
    const cv::Mat magenta = solid(640, 512, {255, 0, 255});
    for (int slantX : {40, 192, 384}) {
        cv::Mat frames[2];
        for (int mirror : {0, 1}) {
            geometry(640, 512, 8.0, 0, slantX, 1152, mirror);
            frames[mirror] = solid(640, 512, {0, 0, 0});
            ASSERT_EQ(interlaceTwoViews(yellow.data, magenta.data, frames[mirror].data), 0);
        }
        for (int y = 64; y <= 448; ++y) {
            const double plain = cv::mean(frames[0].row(y))[0] + cv::mean(frames[0].row(y))[2];
            const double mirrored = cv::mean(frames[1].row(y))[0] + cv::mean(frames[1].row(y))[2];
            ASSERT_NEAR(mirrored, plain, 0.05 * plain) << "slantX " << slantX << " row " << y;
        }
        const cv::Scalar left = cv::mean(frames[1].colRange(0, 320).rowRange(64, 449));
        const cv::Scalar right = cv::mean(frames[1].colRange(320, 640).rowRange(64, 449));
        EXPECT_NEAR(left[1], right[1], 0.05 * right[1]) << "slantX " << slantX;
    }
}

} // namespace

#include "blend.h"
#include "view_masks.h"
#include "support/counting_allocator.h"
#include "engine_fixture.h"

#include <opencv2/core.hpp>

using namespace veltrane;

namespace {

using Blend = EngineTest;

// One pixel of one view through a mask filled by hand: output (blue, green,
// red) after adding image pixel i through mask subpixels m (red first).
TEST_F(Blend, OnePixelArithmetic)
{
    struct Case {
        cv::Vec3b output, image, mask, expected;
    } cases[] = {
        {{0, 0, 0}, {12, 34, 255}, {255, 255, 255}, {12, 34, 255}}, // a full mask copies
        {{9, 8, 7}, {12, 34, 255}, {0, 0, 0}, {9, 8, 7}},           // an empty one adds nothing
        {{0, 0, 0}, {0, 200, 0}, {0, 200, 0}, {0, 156, 0}},          // 40000 / 255 truncated
        {{0, 250, 0}, {0, 10, 0}, {0, 255, 0}, {0, 255, 0}},         // saturated, not 260 or 4
        {{0, 0, 0}, {0, 0, 255}, {255, 0, 0}, {0, 0, 255}},          // subpixel 0 is red
        {{0, 0, 0}, {0, 0, 255}, {0, 0, 255}, {0, 0, 0}},            // subpixel 2 is blue
    };
    geometry(1, 1, 8.0, 1, 0, 0, 0);
    ViewMasks masks(lens);
    ASSERT_EQ(masks.allocate(), Status::Done);
    for (const Case& c : cases) {
        cv::Vec3b out = c.output;
        std::copy(c.mask.val, c.mask.val + 3, masks.mask(0));
        blendPixel(masks, c.image.val, out.val, 0, 0, 0);
        EXPECT_EQ(out, c.expected) << c.image << " through " << c.mask;
    }
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
    geometry(48, 24, 8.0, twoViewCount(8.0), 0, 60, 0);
    const cv::Mat white = solid(48, 24, {255, 255, 255});
    const cv::Mat black = solid(48, 24, {0, 0, 0});
    cv::Mat out = solid(48, 24, {7, 7, 7});

    ASSERT_EQ(interlaceTwoViewsReference(calibrationOf(lens), lens.viewCount, white, black, out, optionsOf(lens)), Status::Done);
    EXPECT_EQ(out.at<cv::Vec3b>(10, 1), cv::Vec3b(0, 11, 189));
    EXPECT_EQ(out.at<cv::Vec3b>(10, 2), cv::Vec3b(170, 0, 0));
    EXPECT_EQ(out.at<cv::Vec3b>(0, 1), cv::Vec3b(0, 0, 0)); // cleared, never plotted

    ASSERT_EQ(interlaceTwoViewsReference(calibrationOf(lens), lens.viewCount, black, white, out, optionsOf(lens)), Status::Done);
    EXPECT_EQ(out.at<cv::Vec3b>(10, 1), cv::Vec3b(189, 170, 0));
    EXPECT_EQ(out.at<cv::Vec3b>(10, 2), cv::Vec3b(11, 189, 178));
}

// The engine prints nothing: a failure comes back as a status, whose message
// the caller prints.
TEST_F(Blend, FailedAllocationLeavesTheOutputAndPrintsNothing)
{
    geometry(16, 8, 8.0, twoViewCount(8.0), 0, 24, 0);
    const cv::Mat white = solid(16, 8, {255, 255, 255});
    for (int failAt : {1, 2, 5}) {
        cv::Mat out = solid(16, 8, {7, 8, 9});
        CountingAllocator failing(failAt);
        ::testing::internal::CaptureStdout();
        const Status status =
            interlaceTwoViewsReference(calibrationOf(lens), lens.viewCount, white, white, out, optionsOf(lens, CountingAllocator::allocator()));
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(status, failAt == 1 ? Status::NoMaskArray : Status::NoMaskMemory);
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
            geometry(640, 512, 8.0, twoViewCount(8.0), slantX, 1152, mirror);
            frames[mirror] = solid(640, 512, {0, 0, 0});
            ASSERT_EQ(interlaceTwoViewsReference(calibrationOf(lens), lens.viewCount, yellow, magenta, frames[mirror], optionsOf(lens)),
                      Status::Done);
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

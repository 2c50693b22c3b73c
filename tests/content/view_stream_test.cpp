// The streaming composition: view files decoded ahead and added into their
// frame a group at a time make the reference engine's frame of the same
// views, in any order of views; a view that cannot be used stops its frame
// with the file and the reason.
#include "veltrane/content/quilt.h"
#include "veltrane/content/view_stream.h"
#include "veltrane/engine/interlace.h"
#include "support/view_folder.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <fstream>

using namespace veltrane;

namespace {

const Calibration Sheet{6, 1152, 8.25, true};
const cv::Size ViewSize(40, 24);
constexpr int Views = 5;

// Frames 0 and 1 of five views of noise, as files; the images, by frame.
std::vector<std::vector<cv::Mat>> writeFrames(StreamPlan& plan)
{
    std::vector<std::vector<cv::Mat>> frames(2);
    cv::RNG random(3);
    for (int f = 0; f < 2; ++f)
        for (int v = 0; v < Views; ++v) {
            cv::Mat view(ViewSize, CV_8UC3);
            random.fill(view, cv::RNG::UNIFORM, 0, 256);
            const std::string name = "f" + std::to_string(f) + "_" + std::to_string(v) + ".png";
            cv::imwrite(name, view);
            plan.files.push_back(name);
            frames[f].push_back(view);
        }
    plan.viewsPerFrame = Views;
    plan.viewSize = ViewSize;
    plan.maxGroup = 2; // three passes a frame
    return frames;
}

cv::Mat reference(const std::vector<cv::Mat>& views)
{
    cv::Mat output;
    EXPECT_EQ(interlaceViewsReference(Sheet, views, output), Status::Done);
    return output;
}

TEST(ViewStream, FramesAreTheReferenceEnginesInAnyOrderOfViews)
{
    const ViewFolder folder;
    StreamPlan plan;
    const auto frames = writeFrames(plan);
    const std::vector<int> reversed = {4, 3, 2, 1, 0}; // source i shows through view 4 - i
    ViewStream stream(plan);
    for (int f = 0; f < 2; ++f) {
        const std::vector<int>& viewOf = f == 0 ? std::vector<int>{0, 1, 2, 3, 4} : reversed;
        std::vector<cv::Mat> shown(Views);
        for (int i = 0; i < Views; ++i)
            shown[viewOf[i]] = frames[f][i];
        cv::Mat frame(ViewSize, CV_8UC3, cv::Scalar::all(0));
        const StreamFault fault = stream.composeFrame(Sheet, Views, viewOf, frame, EngineOptions());
        ASSERT_FALSE(fault) << fault.problem;
        EXPECT_EQ(cv::norm(frame, reference(shown), cv::NORM_INF), 0) << "frame " << f;
    }
}

TEST(ViewStream, AViewThatCannotBeUsedStopsItsFrame)
{
    const ViewFolder folder;
    for (const bool wrongSize : {true, false}) {
        StreamPlan plan;
        writeFrames(plan);
        if (wrongSize)
            cv::imwrite(plan.files[8], cv::Mat(24, 41, CV_8UC3, cv::Scalar::all(9)));
        else
            std::ofstream(plan.files[8], std::ios::binary | std::ios::trunc) << "not an image at all";
        ViewStream stream(plan);
        const std::vector<int> viewOf = {0, 1, 2, 3, 4};
        cv::Mat frame(ViewSize, CV_8UC3, cv::Scalar::all(0));
        ASSERT_FALSE(stream.composeFrame(Sheet, Views, viewOf, frame, EngineOptions()));
        const StreamFault fault = stream.composeFrame(Sheet, Views, viewOf, frame, EngineOptions());
        EXPECT_EQ(fault.kind, wrongSize ? StreamFault::Kind::WrongSize : StreamFault::Kind::Unreadable);
        EXPECT_EQ(fault.file, 8u);
        if (wrongSize)
            EXPECT_EQ(fault.size, cv::Size(41, 24));
        else
            EXPECT_FALSE(fault.problem.empty());
    }
}

} // namespace

// A view of another shape than the output is contained whole, in the middle,
// black around it; one of the output's shape is only resized.
TEST(Fitting, ContainedViewsKeepTheirShapeInTheMiddle)
{
    EXPECT_FALSE(aspectDiffers({1920, 1080}, {3840, 2160}));
    EXPECT_TRUE(aspectDiffers({640, 512}, {1920, 1080}));
    EXPECT_TRUE(aspectDiffers({16384, 16383}, {16383, 16384})); // no overflow of the products

    const cv::Scalar colour(10, 200, 90);
    const cv::Mat wide(50, 100, CV_8UC3, colour);
    const cv::Mat contained = containedAtSize(wide, {200, 200});
    ASSERT_EQ(contained.size(), cv::Size(200, 200));
    EXPECT_EQ(cv::norm(contained(cv::Rect(0, 50, 200, 100)), cv::Mat(100, 200, CV_8UC3, colour), cv::NORM_INF), 0);
    EXPECT_EQ(cv::countNonZero(contained(cv::Rect(0, 0, 200, 50)).reshape(1)), 0);
    EXPECT_EQ(cv::countNonZero(contained(cv::Rect(0, 150, 200, 50)).reshape(1)), 0);

    const cv::Mat line(1, 1000, CV_8UC3, colour); // shrinks to less than a row: one row kept
    const cv::Mat thin = containedAtSize(line, {10, 10});
    ASSERT_EQ(thin.size(), cv::Size(10, 10));
    EXPECT_EQ(cv::countNonZero(thin.reshape(1)), 10 * 3);

    const cv::Mat same = containedAtSize(wide, {50, 25});
    EXPECT_EQ(cv::norm(same, cv::Mat(25, 50, CV_8UC3, colour), cv::NORM_INF), 0);
}

// Contained tiles are no larger than the output, whatever its shape: a
// quilt of square tiles for a panel one pixel tall holds tiles of that panel.
TEST(Fitting, ContainedTilesStayWithinTheOutputsSize)
{
    const cv::Mat quilt(100, 200, CV_8UC3, cv::Scalar(1, 2, 3));
    EXPECT_EQ(containedTiles(quilt, 2, 1, {16384, 1}).size(), cv::Size(2 * 16384, 1));
    EXPECT_EQ(containedTiles(quilt, 2, 1, {1, 16384}).size(), cv::Size(2, 16384));
    EXPECT_EQ(containedTiles(quilt, 2, 1, {300, 300}).data, quilt.data); // the shape already: the quilt itself
    EXPECT_EQ(containedTiles(quilt, 2, 1, {1600, 900}).size(), cv::Size(2 * 178, 100)); // 16:9 around 100 x 100
}

// The player's frame source: frames loaded on its own thread and handed over
// as asked for, in order, passed over, backwards, or again for a still;
// each ends (a hang fails the case by its time-out).
#include "veltrane/player/content.h"
#include "veltrane/player/frame_source.h"
#include "support/view_folder.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <cstdio>

using namespace veltrane;

namespace {

// Frames 0 to frames - 1 of two views, view v of frame f a flat (f, v, 200).
void writeFrames(int frames)
{
    for (int f = 0; f < frames; ++f)
        for (int v = 0; v < 2; ++v)
            cv::imwrite("s_" + std::to_string(f) + "_" + std::to_string(v) + ".png",
                        cv::Mat(6, 8, CV_8UC3, cv::Scalar(f, v, 200)));
}

PlayOptions framesOptions()
{
    PlayOptions options;
    options.source.calibration = {6, 1152, 8.0, true};
    options.source.viewsPattern = "s_{frame}_{view}.png";
    options.source.viewsGiven = true;
    return options;
}

// The frame number a loaded frame's first view says it is.
int frameOf(const LoadedFrame& loaded)
{
    EXPECT_TRUE(loaded.ok) << loaded.problem;
    if (!loaded.ok || loaded.frame.views.empty())
        return -1;
    return loaded.frame.views[0].at<cv::Vec3b>(0, 0)[0];
}

TEST(FrameSource, FramesComeAsAskedForInOrderPassedOverOrBackwards)
{
    const ViewFolder folder;
    writeFrames(5);
    Content content;
    ASSERT_TRUE(content.open(framesOptions()));
    FrameSource source(content);
    for (const long f : {0L, 1L, 2L, 4L, 0L, 3L, 1L, 1L, 2L}) {
        const LoadedFrame loaded = source.take(f);
        EXPECT_EQ(loaded.number, f);
        EXPECT_EQ(frameOf(loaded), f);
    }
}

TEST(FrameSource, AStillIsHandedOverAsOftenAsAskedFor)
{
    const ViewFolder folder;
    writeFrames(1);
    Content content;
    ASSERT_TRUE(content.open(framesOptions()));
    FrameSource source(content, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(frameOf(source.take(0)), 0);
}

TEST(FrameSource, AFrameThatCannotBeReadSaysWhy)
{
    const ViewFolder folder;
    writeFrames(3);
    Content content;
    ASSERT_TRUE(content.open(framesOptions()));
    std::remove("s_2_1.png");
    FrameSource source(content);
    EXPECT_EQ(frameOf(source.take(0)), 0);
    EXPECT_EQ(frameOf(source.take(1)), 1);
    const LoadedFrame broken = source.take(2);
    EXPECT_FALSE(broken.ok);
    EXPECT_NE(broken.problem.find("s_2_1.png"), std::string::npos) << broken.problem;
    EXPECT_EQ(frameOf(source.take(0)), 0); // the frames before it still come
}

} // namespace

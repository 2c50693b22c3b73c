#include "engine/fast_interlace.h"
#include "engine/view_files.h"
#include "engine/view_sequence.h"
#include "support/calibrator_fixture.h"
#include "support/counting_allocator.h"
#include "support/engine_fixture.h"
#include "support/view_folder.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <filesystem>

namespace {

class ViewSequence : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        geometry(640, 512, 8.0, 7, 40, 1152, 0);
        state.mode = ModeViewsForward;
        state.savedMode = ModePitch;
    }

    // One composition; true when it has a new frame. Keeps what it printed.
    bool compose(int mode = ModeViewsForward)
    {
        state.mode = mode;
        ::testing::internal::CaptureStdout();
        const bool shown = interlaceViewSequence(composed);
        printed = ::testing::internal::GetCapturedStdout();
        return shown;
    }

    // The number of views a composition used: the first n for which it is
    // the interlace of view files 0 to n - 1 (by the engine tested elsewhere).
    int viewsUsed()
    {
        if (!compose())
            return 0;
        const CalibrationState before = state;
        const std::string extension = std::filesystem::exists("pic/blender_00000_0.jpg") ? ".jpg" : ".png";
        std::vector<cv::Mat> images;
        std::vector<const unsigned char*> sources;
        int n = 1;
        for (; n <= 16; ++n) {
            images.push_back(cv::imread(viewFileName(n - 1, extension)));
            sources.push_back(images.back().data);
            cv::Mat expected(composed.size(), CV_8UC3);
            state.width = composed.cols, state.height = composed.rows, state.viewCount = n;
            if (images.back().size() == composed.size() && fastInterlaceViews(sources.data(), expected.data) == 0 &&
                cv::norm(expected, composed, cv::NORM_INF) == 0)
                break;
        }
        state = before;
        return n;
    }

    void expectStateRestored() const
    {
        EXPECT_EQ(state.width, 640);
        EXPECT_EQ(state.height, 512);
        EXPECT_EQ(state.viewCount, 7);
        EXPECT_EQ(state.mode, ModePitch);
        EXPECT_EQ(state.viewMasks, nullptr);
    }

    ViewFolder folder;
    cv::Mat composed;
    std::string printed;
};

TEST_F(ViewSequence, CountsViewsUpToTheFirstGap)
{
    for (int i : {0, 1, 2, 3, 5})
        folder.write(i, ".jpg", patternView(i, 32, 16));
    EXPECT_EQ(viewsUsed(), 4);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(composed.size(), cv::Size(32, 16));
    expectStateRestored();
}

TEST_F(ViewSequence, ExtensionIsChosenByViewZeroAlone)
{
    for (int i = 0; i < 3; ++i)
        folder.write(i, ".png", patternView(i, 32, 16));
    EXPECT_EQ(viewsUsed(), 3);
    EXPECT_EQ(printed, "pic/blender_00000_0.png\n"); // the JPEG of view 0 is missing
    folder.write(0, ".jpg", patternView(0, 32, 16));
    EXPECT_EQ(viewsUsed(), 1); // no JPEG for view 1, and the PNG is never tried
    EXPECT_EQ(printed, "");
}

TEST_F(ViewSequence, WithoutViewZeroNothingHappens)
{
    folder.write(1, ".jpg", patternView(1, 32, 16));
    EXPECT_FALSE(compose());
    EXPECT_EQ(printed, "pic/blender_00000_0.png\n");
    EXPECT_TRUE(composed.empty());
    expectStateRestored();
}

TEST_F(ViewSequence, ReverseModeHandsImageIToMaskNMinusOneMinusI)
{
    for (int i = 0; i < 4; ++i)
        folder.write(i, ".png", patternView(i, 64, 40));
    ASSERT_TRUE(compose(ModeViewsReverse));
    const cv::Mat reversed = composed.clone();
    ASSERT_TRUE(compose(ModeViewsForward));
    EXPECT_GT(cv::norm(reversed, composed, cv::NORM_INF), 0);

    // The same files in the opposite order, composed forward.
    for (int i = 0; i < 4; ++i)
        folder.write(i, ".png", patternView(3 - i, 64, 40));
    ASSERT_TRUE(compose(ModeViewsForward));
    EXPECT_EQ(cv::norm(reversed, composed, cv::NORM_INF), 0);
}

TEST_F(ViewSequence, AViewOfAnotherSizeEndsTheSequence)
{
    folder.write(0, ".png", patternView(0, 32, 16));
    folder.write(1, ".png", patternView(1, 32, 16));
    folder.write(2, ".png", patternView(2, 33, 16));
    folder.write(3, ".png", patternView(3, 32, 16));
    EXPECT_EQ(viewsUsed(), 2);
    EXPECT_EQ(printed, "pic/blender_00000_0.png\n"
                       "pic/blender_00000_2.png is 33 x 16, view 0 is 32 x 16: the sequence ends before it\n");
    EXPECT_EQ(composed.size(), cv::Size(32, 16));
}

TEST_F(ViewSequence, EachFileIsReadOnce)
{
    for (int i = 0; i < 3; ++i)
        folder.write(i, ".png", patternView(i, 32, 16));
    ASSERT_TRUE(compose());
    const cv::Mat expected = composed.clone();
    CountingAllocator counting;
    // The engine allocates after every view is read: a file removed or
    // replaced then cannot change, or break, the composition.
    CountingAllocator::beforeEachAllocation([this] {
        folder.remove(1, ".png");
        folder.write(2, ".png", patternView(7, 16, 16));
    });
    ASSERT_TRUE(compose());
    EXPECT_EQ(cv::norm(expected, composed, cv::NORM_INF), 0);
    EXPECT_EQ(printed, "pic/blender_00000_0.png\n");
    expectStateRestored();
}

TEST_F(ViewSequence, CorruptFilesDoNotLoad)
{
    folder.write(0, ".jpg", patternView(0, 32, 16));
    folder.writeBytes(1, ".jpg", std::string("\xff\xd8\xff\xe0 not really a picture", 26));
    EXPECT_EQ(viewsUsed(), 1);

    std::vector<unsigned char> jpeg;
    cv::imencode(".jpg", patternView(0, 32, 16), jpeg);
    folder.writeBytes(0, ".jpg", std::string(jpeg.begin(), jpeg.begin() + 40));
    folder.writeBytes(0, ".png", "\x89PNG\r\n\x1a\n garbage");
    compose();
    expectStateRestored();
}

// "disp >" pressed in the running calibrator.
class ViewButtons : public CalibratorTest {
protected:
    ViewFolder folder;
};

TEST_F(ViewButtons, ShowTheCompositionInItsOwnWindowOnce)
{
    for (int i = 0; i < 3; ++i)
        folder.write(i, ".png", patternView(i, 64, 48));
    start();
    windows.idle().click(250, 30).idle(2).click(350, 30).idle();
    run();
    EXPECT_EQ(windows.shownCount("DISP"), 2);
    const cv::Mat shown = windows.lastShown("DISP");
    EXPECT_EQ(shown.size(), cv::Size(64, 48));
    EXPECT_EQ(state.savedMode, ModeSlant);
    EXPECT_EQ(out, "pic/blender_00000_0.png\npic/blender_00000_0.png\n");
    EXPECT_EQ(windows.lastShown("Veltrane calibration").size(), cv::Size(640, 512));
}

} // namespace

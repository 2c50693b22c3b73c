#include "veltrane/calibrator/engine_messages.h"
#include "veltrane/engine/interlace.h"
#include "veltrane/records/view_files.h"
#include "veltrane/calibrator/view_sequence.h"
#include "support/calibrator_fixture.h"
#include "support/counting_allocator.h"
#include "support/text_sink.h"
#include "support/view_folder.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <filesystem>

using namespace veltrane;

using veltrane::viewFileName;

namespace {

class ViewSequence : public ::testing::Test {
protected:
    void SetUp() override
    {
        state.width = 640, state.height = 512, state.pitch = 8.0, state.viewCount = 7;
        state.slantX = 40, state.slantY = 1152, state.mirror = 0;
        state.mode = ModeViewsForward;
        state.savedMode = ModePitch;
    }

    // One composition; true when it has a new frame. Keeps what it said on
    // its report stream; nothing goes to standard output.
    bool compose(int mode = ModeViewsForward)
    {
        state.mode = mode;
        TextSink report;
        ::testing::internal::CaptureStdout();
        const bool shown = interlaceViewSequence(state, allocator, composed, report.file());
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        printed = report.text();
        return shown;
    }

    // The number of views a composition used: the first n for which it is
    // the interlace of view files 0 to n - 1 (by the engine tested elsewhere).
    int viewsUsed()
    {
        if (!compose())
            return 0;
        const std::string extension = std::filesystem::exists("pic/blender_00000_0.jpg") ? ".jpg" : ".png";
        std::vector<cv::Mat> images;
        int n = 1;
        for (; n <= 16; ++n) {
            images.push_back(cv::imread(viewFileName(n - 1, extension)));
            cv::Mat expected;
            if (images.back().size() == composed.size() &&
                veltrane::interlaceViews(calibrationInForce(state), images, expected) == veltrane::Status::Done &&
                cv::norm(expected, composed, cv::NORM_INF) == 0)
                break;
        }
        return n;
    }

    void expectStateRestored() const
    {
        EXPECT_EQ(state.width, 640);
        EXPECT_EQ(state.height, 512);
        EXPECT_EQ(state.viewCount, 7);
        EXPECT_EQ(state.mode, ModePitch);
    }

    CalibrationState state;
    veltrane::MaskAllocator allocator = veltrane::heapAllocator();
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
    EXPECT_EQ(printed, "pic/blender_00000_0.png\nno views: neither pic/blender_00000_0.jpg nor pic/blender_00000_0.png is in " +
                           std::filesystem::current_path().string() + " (see \"Your own views\" in docs/veltrane-calibrator.md)\n");
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

// A long sequence is streamed, a few views a pass, in either order: the
// same bytes as the reference engine's composition of all of them at once.
TEST_F(ViewSequence, ALongSequenceStreamedIsTheWholeComposition)
{
    std::vector<cv::Mat> images;
    for (int i = 0; i < 24; ++i) {
        folder.write(i, ".png", patternView(i, 120, 80));
        images.push_back(patternView(i, 120, 80));
    }
    for (const int mode : {ModeViewsForward, ModeViewsReverse}) {
        CountingAllocator counting;
        allocator = CountingAllocator::allocator();
        ASSERT_TRUE(compose(mode));
        std::vector<cv::Mat> sources(24);
        for (int i = 0; i < 24; ++i)
            sources[mode == ModeViewsReverse ? 23 - i : i] = images[i];
        cv::Mat expected;
        ASSERT_EQ(veltrane::interlaceViewsReference(calibrationInForce(state), sources, expected),
                  veltrane::Status::Done);
        EXPECT_EQ(cv::norm(expected, composed, cv::NORM_INF), 0) << (mode == ModeViewsReverse ? "reverse" : "forward");
        EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
        expectStateRestored();
    }
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

// A view that exists but cannot be used ends the sequence with one line that
// names it and says why; a missing number still ends it without a word.
TEST_F(ViewSequence, AnUnreadableViewEndsTheSequenceWithALine)
{
    const struct {
        std::string bytes;
        const char* why;
    } unreadable[] = {
        {"", "it is empty"},
        {"just some text, no picture", "it is not a JPEG or PNG image"},
        {std::string("\xff\xd8\xff\xe0\x00\x04JF\xff\xc0\x00\x11\x08\x75\x30\x75\x30\x03", 19),
         "it declares 30000 x 30000 pixels, more than 16384 in a direction"},
        {std::string("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x20\x00\x00\x00\x10 and then nothing", 41),
         "it is damaged: it does not decode"},
    };
    for (int i : {0, 1, 3})
        folder.write(i, ".png", patternView(i, 32, 16));
    for (const auto& file : unreadable) {
        folder.writeBytes(2, ".png", file.bytes);
        EXPECT_EQ(viewsUsed(), 2);
        EXPECT_EQ(printed, "pic/blender_00000_0.png\npic/blender_00000_2.png cannot be read: " + std::string(file.why) +
                               ": the sequence ends before it\n");
        expectStateRestored();
    }
}

TEST_F(ViewSequence, AnUnreadableViewZeroIsNamedAndThePngTried)
{
    folder.writeBytes(0, ".jpg", "not a picture");
    for (int i = 0; i < 2; ++i)
        folder.write(i, ".png", patternView(i, 32, 16));
    EXPECT_TRUE(compose());
    EXPECT_EQ(composed.size(), cv::Size(32, 16));
    EXPECT_EQ(printed, "pic/blender_00000_0.jpg cannot be read: it is not a JPEG or PNG image\n"
                       "pic/blender_00000_0.png\n");
}

// A sparse file of a gigabyte is refused by its size, without being read.
TEST_F(ViewSequence, AFileLargerThanAnyViewIsNotRead)
{
    folder.writeBytes(0, ".png", "");
    std::filesystem::resize_file("pic/blender_00000_0.png", std::uintmax_t{1} << 30);
    EXPECT_FALSE(compose());
    EXPECT_EQ(printed, "pic/blender_00000_0.png\npic/blender_00000_0.png cannot be read: it is 1073741824 bytes, "
                       "more than any view of at most 16384 x 16384 pixels needs\n");
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

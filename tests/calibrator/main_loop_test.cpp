// Whole passes of the main loop through the scripted back end: keys, the
// parameter line, pitch key steps, draining, and the ways out of the loop.
#include "veltrane/calibrator/main_loop.h"
#include "veltrane/calibrator/startup.h"
#include "support/calibrator_fixture.h"
#include "support/counting_allocator.h"

using namespace veltrane;

namespace {

constexpr int Escape = KeyEscape;

using MainLoop = CalibratorTest;

TEST_F(MainLoop, DefaultFramesAndParameterLine)
{
    start();
    windows.idle(2);
    run();
    ASSERT_EQ(windows.opened, std::vector<std::string>{"Veltrane calibration"});
    EXPECT_EQ(windows.lastShown(WindowTitle).size(), cv::Size(640, 512));
    const auto lines = parameterLines();
    ASSERT_EQ(lines.size(), 3u); // two scripted waits and the one after the script
    for (const std::string& line : lines)
        EXPECT_EQ(line, "param: -x     0 -y  1152 -pitch   8.0000        \r");
}

TEST_F(MainLoop, SlantKeys)
{
    start();
    windows.key('a').key('a').key('a').then([this] {
        EXPECT_EQ(state.slantOffset, -3);
        EXPECT_EQ(parameterLinesSoFar().back(), "param: -x     6 -y  1152 -pitch   8.0000 -mirror\r");
    });
    for (int key : {int('A'), KeyLeft, KeyLeft, KeyLeft, int('d'), int('D'), KeyRight, KeyRight, KeyRight, int('x'),
                    int('Q'), 65361})
        windows.key(key);
    windows.press(300, 100).key('d').key(KeyLeft); // ignored during a drag
    run();
    EXPECT_EQ(state.slantOffset, -2);
    EXPECT_EQ(state.slantX, 4);
    EXPECT_EQ(state.mirror, 1);
}

TEST_F(MainLoop, EscapeOrAClosedWindowEndsWithoutALastFrameOrLine)
{
    for (const int ending : {Escape, MainWindowClosed}) {
        resetState();
        windows = ScriptedBackend();
        start();
        scriptMayBeCutShort = true;
        windows.idle(2).key(ending).idle(3);
        run();
        EXPECT_EQ(loopResult, PassResult::Quit);
        EXPECT_EQ(parameterLines().size(), 2u);
        EXPECT_EQ(windows.shownCount(WindowTitle), 2);
        EXPECT_EQ(windows.waits, 3);
        EXPECT_EQ(windows.pendingSteps(), 3);
    }
}

TEST_F(MainLoop, APitchFrameWithoutMemoryEndsTheLoopAsAFailure)
{
    start();
    scriptMayBeCutShort = true;
    CountingAllocator failing(1);
    calibrator.allocator = CountingAllocator::allocator();
    windows.idle().click(150, 30).idle(2);
    run();
    EXPECT_EQ(loopResult, PassResult::OutOfMemory);
    EXPECT_EQ(windows.pendingSteps(), 2);
    EXPECT_EQ(windows.shownCount(WindowTitle), 1); // the slant frame of the first pass only
    EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
}

// "pitch" pressed inside the very first key wait, before any slant pass: the
// pitch frame still has the upright slant, the same as one pass later.
TEST_F(MainLoop, PitchPressedBeforeTheFirstFrame)
{
    start();
    windows.click(150, 30).then([this] { EXPECT_EQ(state.slantY, 1152); });
    run();
    const cv::Mat early = windows.lastShown(WindowTitle).clone();
    resetState();
    windows = ScriptedBackend();
    start();
    windows.idle().click(150, 30).idle();
    run();
    EXPECT_EQ(cv::norm(early, windows.lastShown(WindowTitle), cv::NORM_INF), 0);
}

// Pitch mode with the tenths row selected, entered the way a person does.
class PitchKeys : public CalibratorTest {
protected:
    void SetUp() override
    {
        CalibratorTest::SetUp();
        start();
        windows.click(150, 30).move(300, 150);
    }
    std::vector<std::string> pitches() const
    {
        std::vector<std::string> shown;
        for (const std::string& line : parameterLines())
            shown.push_back(line.substr(32, 8));
        return shown;
    }
};

TEST_F(PitchKeys, EachPressIsOneStepOfTheDigit)
{
    // A person presses one key at a time: an idle wait ends each drain.
    windows.key('d').idle().key('a').idle().key('d').idle().key('A').idle().key(KeyRight);
    run();
    const std::vector<std::string> expected = {"  8.0000", "  8.0000", "  8.1000", "  8.0000",
                                               "  8.1000", "  8.0000", "  8.1000"};
    EXPECT_EQ(pitches(), expected);
    EXPECT_EQ(state.viewCount, 10);
}

TEST_F(PitchKeys, KeysThatQueuedDuringAStepAreDropped)
{
    windows.key('d').key('d').key('d').idle().key('d');
    run();
    EXPECT_DOUBLE_EQ(state.pitch, 8.2);
}

// The window closed while keys are drained ends the drain and, in the next
// pass, the loop (a closed window is reported at every wait after).
TEST_F(PitchKeys, AWindowClosedDuringADrainEndsTheLoop)
{
    scriptMayBeCutShort = true;
    windows.key('d').key(MainWindowClosed).key(MainWindowClosed).idle(3);
    run();
    EXPECT_EQ(loopResult, PassResult::Quit);
    EXPECT_EQ(windows.pendingSteps(), 3);
    EXPECT_DOUBLE_EQ(state.pitch, 8.1);
}

// Drags and keys stop where -p stops: the pitch never prints 1000.0000.
TEST_F(CalibratorTest, PitchStaysBelowAThousand)
{
    start(640, 512, 998.0);
    windows.click(150, 30).press(300, 100).move(310, 100).then([this] { EXPECT_EQ(state.pitch, 999.0); });
    windows.move(330, 100).then([this] { EXPECT_EQ(state.pitch, 999.0); });
    windows.release(330, 100).key('d').idle().move(300, 430).key('d').idle().key('d');
    run();
    EXPECT_DOUBLE_EQ(state.pitch, 999.0002);
    for (const std::string& line : parameterLines())
        EXPECT_EQ(line.size(), std::string("param: -x     0 -y  1152 -pitch 999.0000        \r").size()) << line;
    windows = ScriptedBackend();
    resetState();
    start(640, 512, 999.9999);
    windows.click(150, 30).move(300, 430).key('d').idle();
    run();
    EXPECT_EQ(state.pitch, 999.9999);
}

TEST_F(PitchKeys, NoStepBelowTwoAndNoneWithoutADigit)
{
    windows.then([this] { state.pitch = 2.05; }).key('a').idle().then([this] {
        state.digitSelect[1] = false;
        state.digitSelect[2] = true;
    });
    windows.key(KeyLeft).idle().move(300, 30).key('d');
    run();
    EXPECT_EQ(pitches().at(3), "  2.0500");
    EXPECT_DOUBLE_EQ(state.pitch, 2.04);
    EXPECT_FALSE(state.pitchDirty);
}

} // namespace

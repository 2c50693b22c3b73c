// Whole passes of the main loop through the scripted back end: keys, the
// parameter line, pitch key steps, draining, and the ways out of the loop.
#include "app/main_loop.h"
#include "app/startup.h"
#include "support/calibrator_fixture.h"

namespace {

constexpr int Escape = 27;
constexpr int QtLeft = 65361;
constexpr int QtRight = 65363;

using MainLoop = CalibratorTest;

TEST_F(MainLoop, OpensTheCalibrationWindowOnce)
{
    start();
    ASSERT_EQ(windows.opened.size(), 1u);
    EXPECT_EQ(windows.opened[0], "Veltrane calibration");
}

TEST_F(MainLoop, DefaultParameterLineIsExact)
{
    start();
    windows.idle(2);
    run();
    const auto lines = parameterLines();
    ASSERT_GE(lines.size(), 2u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line, "param: -x     0 -y  1152 -pitch   8.0000        \r");
        EXPECT_EQ(line.size(), 49u);
    }
    EXPECT_EQ(state.slantX, 0);
    EXPECT_EQ(state.slantY, 1152);
}

TEST_F(MainLoop, ThreeLowerKeysMirrorTheSlant)
{
    start();
    windows.key('a').key('a').key('a');
    run();
    EXPECT_EQ(state.slantOffset, -3);
    EXPECT_EQ(state.slantX, 6);
    EXPECT_EQ(state.mirror, 1);
    EXPECT_EQ(parameterLines().back(), "param: -x     6 -y  1152 -pitch   8.0000 -mirror\r");
}

TEST_F(MainLoop, EveryBackEndsArrowsAndShiftedLettersStepTheSlant)
{
    start();
    for (int key : {int('A'), 0x250000, QtLeft, 63234})
        windows.key(key);
    for (int key : {int('d'), int('D'), 0x270000, QtRight, 63235, int('d')})
        windows.key(key);
    windows.key('x').key('Q').key('S');
    run();
    EXPECT_EQ(state.slantOffset, 2);
    EXPECT_EQ(state.slantX, 4);
    EXPECT_EQ(state.mirror, 0);
}

TEST_F(MainLoop, SlantKeysIgnoredDuringADrag)
{
    start();
    windows.press(300, 100).key('d').key(QtLeft);
    run();
    EXPECT_TRUE(state.dragActive);
    EXPECT_EQ(state.slantOffset, 0);
}

TEST_F(MainLoop, EscapeEndsWithoutALastFrameOrLine)
{
    start();
    windows.idle(2).key(Escape).idle(3);
    run();
    EXPECT_EQ(parameterLines().size(), 2u);
    EXPECT_EQ(windows.shownCount(WindowTitle), 2);
    EXPECT_EQ(windows.waits, 3);
    EXPECT_EQ(state.mode, ModeQuit);
}

TEST_F(MainLoop, QtEscapeCodeEndsTheLoop)
{
    start();
    windows.key(65307).idle(3);
    run();
    EXPECT_EQ(windows.waits, 1);
}

TEST_F(MainLoop, QuitButtonEndsTheLoopInTheSamePass)
{
    start();
    windows.idle().click(600, 30).idle(3);
    run();
    EXPECT_EQ(windows.waits, 2);
    EXPECT_EQ(windows.shownCount(WindowTitle), 1);
}

TEST_F(MainLoop, FramesAreTheConfiguredSize)
{
    start(800, 600);
    windows.idle();
    run();
    const cv::Mat frame = windows.lastShown(WindowTitle);
    EXPECT_EQ(frame.cols, 800);
    EXPECT_EQ(frame.rows, 600);
    EXPECT_EQ(frame.type(), CV_8UC3);
}

// Pitch mode with the tenths row selected, entered the way a person does.
class PitchKeys : public CalibratorTest {
protected:
    void SetUp() override
    {
        CalibratorTest::SetUp();
        start();
        windows.click(150, 30).move(300, 150); // "pitch", then the tenths row
    }
};

TEST_F(PitchKeys, RaiseThenLowerMovesOneTenthEachWay)
{
    windows.key('d');
    run();
    EXPECT_DOUBLE_EQ(state.pitch, 8.1);
    EXPECT_NE(err.find("-pitch   8.1000"), std::string::npos);
}

TEST_F(PitchKeys, AlternatingKeysToggleBetweenTwoValues)
{
    // A person presses one key at a time: an idle wait ends each drain.
    windows.key('d').idle().key('a').idle().key('d').idle().key('a').idle().key('d');
    run();
    std::vector<std::string> pitches;
    for (const std::string& line : parameterLines())
        pitches.push_back(line.substr(32, 8));
    // Two passes enter pitch mode and pick the row, then one pass per key.
    const std::vector<std::string> expected = {"  8.0000", "  8.0000", "  8.1000", "  8.0000",
                                               "  8.1000", "  8.0000", "  8.1000"};
    EXPECT_EQ(pitches, expected);
    EXPECT_DOUBLE_EQ(state.pitch, 8.1);
}

TEST_F(PitchKeys, KeysThatQueuedDuringAStepAreDrained)
{
    // The drain after the first step swallows the next two keys; the idle
    // wait ends it, and only the fourth key steps again.
    windows.key('d').key('d').key('d').idle().key('d');
    run();
    EXPECT_DOUBLE_EQ(state.pitch, 8.2);
}

TEST_F(PitchKeys, NoStepBelowTwo)
{
    windows.then([] { state.pitch = 2.05; }).key('a').idle().then([] {
        state.digitSelect[1] = false;
        state.digitSelect[2] = true;
    }).key(QtLeft);
    run();
    EXPECT_DOUBLE_EQ(state.pitch, 2.04);
    EXPECT_NE(err.find("-pitch   2.0500"), std::string::npos);
}

TEST_F(PitchKeys, WithoutADigitTheKeyOnlyRebuilds)
{
    windows.move(300, 30).key('d');
    run();
    EXPECT_EQ(state.pitch, 8.0);
    EXPECT_FALSE(state.pitchDirty);
}

TEST_F(PitchKeys, ViewCountFollowsThePitchFrame)
{
    windows.idle();
    run();
    EXPECT_EQ(state.viewCount, 10);
}

} // namespace

// Whole interactions as a person makes them, through the scripted back end
// and the real main loop, at the default 640 x 512 layout (buttons in rows
// 0-63, drag area 64-447, digit rows from 64, 140, 217, 294 and 371).
#include "veltrane/calibrator/test_frames.h"
#include "veltrane/panel/pointer_handler.h"
#include "support/calibrator_fixture.h"
#include "support/counting_allocator.h"

using namespace veltrane;

namespace {

using Pointer = CalibratorTest;

TEST_F(Pointer, ButtonsAndPressesOutsideThem)
{
    start();
    windows.click(150, 30).then([this] { EXPECT_EQ(state.mode, ModePitch); });
    windows.click(250, 30).then([this] { // "disp >" runs once and comes back
        EXPECT_EQ(state.mode, ModePitch);
        EXPECT_EQ(state.savedMode, ModePitch);
    });
    windows.click(50, 30).click(450, 30).click(300, 470); // slant, the gap, the bottom strip
    windows.events({{PointerMove, 150, 30}, {2, 150, 30}, {3, 150, 30}, {5, 150, 30}}); // other buttons
    windows.then([this] {
        EXPECT_EQ(state.mode, ModeSlant);
        EXPECT_FALSE(state.dragActive);
    });
    run();
}

TEST_F(Pointer, SlantDragFollowsThePointerAndCommitsAtRelease)
{
    start();
    windows.press(300, 100).move(350, 100).then([this] {
        EXPECT_EQ(state.slantX, 100);
        EXPECT_EQ(state.mirror, 0);
    });
    windows.move(250, 100).then([this] {
        EXPECT_EQ(state.dragDistance, -50);
        EXPECT_EQ(state.mirror, 1);
    });
    windows.release(250, 100);
    run();
    EXPECT_EQ(state.slantOffset, -50);
    EXPECT_EQ(state.dragDistance, 0);
    EXPECT_EQ(parameterLines().back(), "param: -x   100 -y  1152 -pitch   8.0000 -mirror\r");
}

TEST_F(Pointer, PitchDragChangesTheDigitOfItsFirstRow)
{
    start();
    windows.click(150, 30).press(300, 250).move(335, 250).then([this] { EXPECT_DOUBLE_EQ(state.pitch, 8.03); });
    windows.move(335, 420).then([this] { EXPECT_TRUE(state.digitSelect[2]); }); // frozen during the drag
    windows.move(291, 250).then([this] { EXPECT_EQ(state.pitch, 8.0); });
    windows.move(289, 250).release(289, 250);
    run();
    EXPECT_DOUBLE_EQ(state.pitch, 7.99);
    EXPECT_FALSE(state.dragActive);
    EXPECT_EQ(state.slantOffset, 0);
}

// The pitch drag counts digit steps, not slant: the lenses keep leaning the
// way the slant says while the pitch is tuned.
TEST_F(Pointer, APitchDragLeavesTheSlantAndMirrorAlone)
{
    start();
    windows.key('d').key('d').key('d').click(150, 30).press(300, 250).move(259, 250).then([this] {
        EXPECT_DOUBLE_EQ(state.pitch, 7.96);
        EXPECT_EQ(state.mirror, 0);
        EXPECT_EQ(state.slantX, 6);
        EXPECT_EQ(parameterLinesSoFar().back(), "param: -x     6 -y  1152 -pitch   7.9600        \r");
    });
    windows.release(259, 250);
    run();
    EXPECT_EQ(state.slantOffset, 3);
    EXPECT_EQ(state.dragDistance, 0);
    EXPECT_EQ(state.pitchDragSteps, 0);
}

// The slant stops where the test line runs corner to corner (an offset of
// 60 subpixel columns at width 40): drags and keys alike.
TEST_F(Pointer, TheSlantStopsAtTheCornersOfTheFrame)
{
    start(40, 30);
    windows.press(2, 10).move(38, 10).release(38, 10).press(2, 10).move(38, 10).then([this] {
        EXPECT_EQ(state.dragDistance, 24);
        EXPECT_EQ(state.slantX, 120);
    });
    windows.release(38, 10).key('d').idle().then([this] { EXPECT_EQ(state.slantOffset, 60); });
    windows.key('a').press(38, 10).move(2, 10).move(0, 10).release(0, 10);
    for (int i = 0; i < 130; ++i)
        windows.key('a');
    run();
    EXPECT_EQ(state.slantOffset, -60);
    EXPECT_EQ(state.slantX, 120);
    EXPECT_EQ(state.mirror, 1);
}

TEST_F(Pointer, PitchHoldsAtTwoOnTheUnitsRow)
{
    start();
    windows.click(150, 30).press(300, 100).move(239, 100).then([this] { EXPECT_EQ(state.pitch, 2.0); });
    windows.move(229, 100).then([this] { EXPECT_EQ(state.pitch, 2.0); });
    windows.move(310, 100);
    run();
    EXPECT_EQ(state.pitch, 9.0);
}

// A release anywhere ends the drag with the distance last shown: over a
// button, in the bottom strip, outside the window. The pointer moving back
// with no button held changes nothing, and the keys work at once.
TEST_F(Pointer, AReleaseAnywhereEndsTheDrag)
{
    start();
    windows.press(300, 100).move(340, 100).move(340, 30).release(340, 30).move(330, 200).then([this] {
        EXPECT_FALSE(state.dragActive);
        EXPECT_EQ(state.dragDistance, 0);
        EXPECT_EQ(state.slantOffset, 40); // the last move inside the drag area
    });
    windows.key('d').press(300, 100).move(280, 100).move(-20, 100).release(-20, 100).move(100, 200).then([this] {
        EXPECT_FALSE(state.dragActive);
        EXPECT_EQ(state.slantOffset, 21); // released outside the window
    });
    windows.press(300, 100).move(310, 100).move(310, 500).release(310, 500).move(400, 100).then([this] {
        EXPECT_EQ(state.slantOffset, 31); // released over the read-outs
    });
    windows.click(150, 30).press(300, 250).move(400, 250).move(400, 500).release(400, 500).move(200, 250);
    run();
    EXPECT_FALSE(state.dragActive);
    EXPECT_DOUBLE_EQ(state.pitch, 8.1); // where the last pass put it
}

// A drag whose release never came (the toolkit lost it), then a button: the
// drag ends as a release in the drag area would, and only then the button acts.
TEST_F(Pointer, AButtonEndsAStaleDragFirst)
{
    start();
    windows.press(300, 100).move(340, 100).move(340, 30).click(150, 30).then([this] {
        EXPECT_EQ(state.slantOffset, 40); // committed, not taken as a pitch distance
        EXPECT_EQ(state.pitch, 8.0);
    });
    windows.press(300, 250).move(400, 250).move(400, 30).click(150, 30).then([this] {
        EXPECT_DOUBLE_EQ(state.pitch, 8.1); // not set back to the pitch at the press
    });
    windows.press(300, 250).move(350, 250).move(350, 30).click(50, 30).then([this] {
        EXPECT_EQ(state.slantOffset, 40); // a pitch drag is not committed into the slant
        EXPECT_DOUBLE_EQ(state.pitch, 8.15);
    });
    run();
    EXPECT_FALSE(state.dragActive);
}

TEST_F(Pointer, PitchFrameRebuildsOnlyWhenItMayHaveChanged)
{
    start();
    state.slantY = 1152;
    state.pitchDirty = true;
    int perRebuild = 0;
    {
        CountingAllocator counting;
        calibrator.allocator = CountingAllocator::allocator();
        drawPitchFrame(state, calibrator.allocator, false, calibrator.report);
        perRebuild = CountingAllocator::calls();
    }
    ASSERT_GT(perRebuild, 0);
    CountingAllocator counting;
    calibrator.allocator = CountingAllocator::allocator();
    windows.click(150, 30).idle(4).click(150, 30).idle(2).then([&] {
        EXPECT_EQ(CountingAllocator::calls(), 2 * perRebuild); // once per press of "pitch"
    });
    windows.press(300, 250).idle(3); // and on every pass of a drag, moving or not
    run();
    EXPECT_EQ(CountingAllocator::calls(), 2 * perRebuild + 5 * perRebuild);
    EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
}

} // namespace

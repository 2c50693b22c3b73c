// Whole interactions as a person makes them, through the scripted back end
// and the real main loop, at the default 640 x 512 layout (buttons in rows
// 0-63, drag area 64-447, digit rows from 64, 140, 217, 294 and 371).
#include "support/calibrator_fixture.h"
#include "support/counting_allocator.h"

#include "app/test_frames.h"
#include "panel/pointer_handler.h"

namespace {

constexpr int RightDown = 2;
constexpr int MiddleDown = 3;
constexpr int RightUp = 5;

using Pointer = CalibratorTest;

TEST_F(Pointer, ButtonsChangeTheMode)
{
    start();
    windows.click(150, 30).then([] { EXPECT_EQ(state.mode, ModePitch); });
    windows.click(50, 30).then([] { EXPECT_EQ(state.mode, ModeSlant); });
    windows.click(150, 30).click(250, 30).then([] {
        EXPECT_EQ(state.mode, ModePitch); // back from the view composition
        EXPECT_EQ(state.savedMode, ModePitch);
    });
    run();
    EXPECT_FALSE(state.dragActive);
}

TEST_F(Pointer, QuitButtonEndsTheCalibrator)
{
    start();
    windows.click(600, 30).idle(5);
    run();
    EXPECT_EQ(state.mode, ModeQuit);
    EXPECT_EQ(windows.waits, 1);
}

TEST_F(Pointer, PressesOutsideTheButtonsChangeNothing)
{
    start();
    windows.click(450, 30).click(300, 470).then([] {
        EXPECT_EQ(state.mode, ModeSlant);
        EXPECT_FALSE(state.dragActive);
    });
    windows.events({{PointerMove, 150, 30}, {RightDown, 150, 30}, {MiddleDown, 150, 30}, {RightUp, 150, 30}});
    windows.then([] {
        EXPECT_EQ(state.mode, ModeSlant);
        EXPECT_TRUE(state.hoverPitch);
    });
    run();
}

TEST_F(Pointer, SlantDragFollowsThePointerAndCommitsAtRelease)
{
    start();
    windows.press(300, 100).move(350, 100).then([] {
        EXPECT_EQ(state.dragDistance, 50);
        EXPECT_EQ(state.slantX, 100);
        EXPECT_EQ(state.slantY, 1152);
        EXPECT_EQ(state.mirror, 0);
    });
    windows.move(250, 100).then([] {
        EXPECT_EQ(state.dragDistance, -50);
        EXPECT_EQ(state.slantX, 100);
        EXPECT_EQ(state.mirror, 1);
    });
    windows.release(250, 100);
    run();
    EXPECT_EQ(state.slantOffset, -50);
    EXPECT_EQ(state.dragDistance, 0);
    EXPECT_EQ(state.slantX, 100);
    EXPECT_EQ(parameterLines().back(), "param: -x   100 -y  1152 -pitch   8.0000 -mirror\r");
}

TEST_F(Pointer, PitchDragChangesTheDigitOfItsFirstRow)
{
    start();
    windows.click(150, 30).press(300, 250).then([] { EXPECT_EQ(state.pitchBase, 8.0); });
    windows.move(335, 250).then([] {
        EXPECT_EQ(state.dragDistance, 3);
        EXPECT_DOUBLE_EQ(state.pitch, 8.03);
    });
    windows.move(335, 420).then([] { // another row: the digit stays
        EXPECT_TRUE(state.digitSelect[2]);
        EXPECT_FALSE(state.digitSelect[4]);
    });
    windows.move(291, 250).then([] { EXPECT_EQ(state.pitch, 8.0); });
    windows.move(289, 250).then([] {
        EXPECT_EQ(state.dragDistance, -1);
        EXPECT_DOUBLE_EQ(state.pitch, 7.99);
    });
    windows.release(289, 250);
    run();
    EXPECT_DOUBLE_EQ(state.pitch, 7.99);
    EXPECT_FALSE(state.dragActive);
    EXPECT_EQ(state.slantOffset, 0);
    EXPECT_NE(err.find("-pitch   7.9900"), std::string::npos);
}

TEST_F(Pointer, PitchHoldsAtTwoOnTheUnitsRow)
{
    start();
    windows.click(150, 30).press(300, 100).move(239, 100).then([] { EXPECT_EQ(state.pitch, 2.0); });
    windows.move(229, 100).then([] { EXPECT_EQ(state.pitch, 2.0); });
    windows.move(310, 100);
    run();
    EXPECT_EQ(state.pitch, 9.0);
}

TEST_F(Pointer, ReleaseInTheTopBarDoesNotEndTheDrag)
{
    start();
    windows.press(300, 100).release(320, 30).then([] { EXPECT_TRUE(state.dragActive); });
    windows.move(330, 200).then([] { EXPECT_EQ(state.dragDistance, 30); });
    windows.key('d').release(330, 200);
    run();
    EXPECT_FALSE(state.dragActive);
    EXPECT_EQ(state.slantOffset, 30); // the key during the drag did nothing
}

TEST_F(Pointer, AButtonEndsAStaleDragBeforeItActs)
{
    start();
    // A slant drag released in the top bar, then "pitch" pressed: the slant
    // is committed as a release would, and the pitch is left alone.
    windows.press(300, 100).move(340, 100).release(340, 30).click(150, 30).idle();
    run();
    EXPECT_FALSE(state.dragActive);
    EXPECT_EQ(state.slantOffset, 40);
    EXPECT_EQ(state.dragDistance, 0);
    EXPECT_EQ(state.pitch, 8.0);
}

TEST_F(Pointer, AStalePitchDragIsNotCommittedIntoTheSlant)
{
    start();
    windows.click(150, 30).press(300, 250).move(400, 250).release(400, 30).click(50, 30).then([] {
        EXPECT_EQ(state.mode, ModeSlant);
    });
    run();
    EXPECT_EQ(state.slantOffset, 0);
    EXPECT_EQ(state.slantX, 0);
    EXPECT_DOUBLE_EQ(state.pitch, 8.1);
}

TEST_F(Pointer, PressingPitchDuringAStalePitchDragKeepsThePitch)
{
    start();
    windows.click(150, 30).press(300, 250).move(400, 250).release(400, 30).click(150, 30).idle();
    run();
    EXPECT_FALSE(state.dragActive);
    EXPECT_DOUBLE_EQ(state.pitch, 8.1);
    EXPECT_FALSE(state.digitSelect[2]);
}

// The engine's allocations of one pitch-frame rebuild at the default size.
int allocationsPerRebuild()
{
    state.slantY = 1152;
    CountingAllocator counting;
    drawPitchFrame(false);
    return CountingAllocator::calls();
}

TEST_F(Pointer, PressingPitchRebuildsTheFrameExactlyOnce)
{
    start();
    state.pitchDirty = true;
    const int perRebuild = allocationsPerRebuild();
    ASSERT_GT(perRebuild, 0);
    CountingAllocator counting;
    windows.click(150, 30).idle(4).click(150, 30).idle(2);
    run();
    EXPECT_EQ(CountingAllocator::calls(), 2 * perRebuild);
    EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
}

TEST_F(Pointer, ADragRebuildsOnEveryPassEvenWhenStill)
{
    start();
    state.pitchDirty = true;
    const int perRebuild = allocationsPerRebuild();
    windows.click(150, 30).press(300, 250);
    CountingAllocator counting;
    windows.idle(3);
    run();
    // The click, the press, three idle waits and the wait after the script.
    EXPECT_EQ(CountingAllocator::calls(), 6 * perRebuild);
}

TEST_F(Pointer, HoverFollowsThePointer)
{
    start();
    windows.move(600, 10).then([] { EXPECT_TRUE(state.hoverQuit); });
    windows.move(600, 100).then([] {
        EXPECT_FALSE(state.hoverQuit);
        EXPECT_TRUE(state.inDragArea);
        EXPECT_TRUE(state.digitSelect[0]);
    });
    windows.move(-5, 700);
    run();
    EXPECT_FALSE(state.inDragArea);
    for (bool selected : state.digitSelect)
        EXPECT_FALSE(selected);
}

} // namespace

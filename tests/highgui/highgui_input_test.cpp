// The highgui back end's translation of its toolkit's keys and pointer events.
#include "highgui_input.h"
#include "veltrane/core/window_backend.h"

#include <gtest/gtest.h>

using namespace veltrane;

namespace {

TEST(HighguiInput, KeysOfEveryPlatform)
{
    for (int left : {0x250000, 65361, 63234}) // Windows, X11 (Qt and GTK), macOS
        EXPECT_EQ(calibratorKey(left), KeyLeft) << left;
    for (int right : {0x270000, 65363, 63235})
        EXPECT_EQ(calibratorKey(right), KeyRight) << right;
    EXPECT_EQ(calibratorKey(27), KeyEscape);
    EXPECT_EQ(calibratorKey(65307), KeyEscape); // Qt's key symbol
    EXPECT_EQ(calibratorKey(-1), NoKey);
    for (int character : {'a', 'A', 'd', 'D', 'x', ' '})
        EXPECT_EQ(calibratorKey(character), character);
    EXPECT_NE(calibratorKey(65362), KeyLeft); // up
}

TEST(HighguiInput, OnlyTheLeftButtonAndMovesReachTheHandler)
{
    int event = -1;
    ASSERT_TRUE(calibratorPointerEvent(0, event));
    EXPECT_EQ(event, PointerMove);
    ASSERT_TRUE(calibratorPointerEvent(1, event));
    EXPECT_EQ(event, PointerLeftDown);
    ASSERT_TRUE(calibratorPointerEvent(4, event));
    EXPECT_EQ(event, PointerLeftUp);
    for (int other : {2, 3, 5, 6, 7, 8, 9, 10, 11})
        EXPECT_FALSE(calibratorPointerEvent(other, event)) << other;
}

} // namespace

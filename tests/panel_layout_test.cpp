#include "panel/panel_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Rect {
    int left, top, right, bottom;
};

void expectRect(const PanelRect& actual, Rect expected, const char* name)
{
    EXPECT_EQ(actual.left, expected.left) << name;
    EXPECT_EQ(actual.top, expected.top) << name;
    EXPECT_EQ(actual.right, expected.right) << name;
    EXPECT_EQ(actual.bottom, expected.bottom) << name;
}

void layoutFor(int width, int height)
{
    resetCalibrationState();
    state.width = width;
    state.height = height;
    computePanelLayout();
}

std::vector<int> edges()
{
    return std::vector<int>(state.layout.digitRows.edges, state.layout.digitRows.edges + 6);
}

TEST(PanelLayout, DefaultSize)
{
    layoutFor(640, 512);
    const PanelLayout& l = state.layout;
    EXPECT_EQ(l.unit, 64);
    EXPECT_EQ(l.barHeight, 64);
    EXPECT_EQ(l.barBottom, 63);
    EXPECT_EQ(l.buttonWidth, 95);
    EXPECT_DOUBLE_EQ(l.fontScale, 0.64);
    expectRect(l.slantButton, {0, 0, 95, 63}, "slant");
    expectRect(l.pitchButton, {96, 0, 191, 63}, "pitch");
    expectRect(l.forwardButton, {192, 0, 287, 63}, "disp >");
    expectRect(l.reverseButton, {288, 0, 383, 63}, "disp <");
    expectRect(l.quitButton, {544, 0, 639, 63}, "quit");
    expectRect(l.dragArea, {0, 64, 639, 447}, "drag area");
    EXPECT_EQ(l.digitRows.left, 0);
    EXPECT_EQ(l.digitRows.right, 639);
    EXPECT_EQ(edges(), (std::vector<int>{64, 140, 217, 294, 371, 448}));
}

TEST(PanelLayout, FullHd)
{
    layoutFor(1920, 1080);
    const PanelLayout& l = state.layout;
    EXPECT_EQ(l.barHeight, 192);
    EXPECT_EQ(l.buttonWidth, 286);
    EXPECT_DOUBLE_EQ(l.fontScale, 1.92);
    expectRect(l.slantButton, {0, 0, 286, 191}, "slant");
    expectRect(l.pitchButton, {287, 0, 573, 191}, "pitch");
    expectRect(l.forwardButton, {574, 0, 860, 191}, "disp >");
    expectRect(l.reverseButton, {861, 0, 1147, 191}, "disp <");
    expectRect(l.quitButton, {1633, 0, 1919, 191}, "quit");
    expectRect(l.dragArea, {0, 192, 1919, 887}, "drag area");
    EXPECT_EQ(edges(), (std::vector<int>{192, 331, 470, 609, 748, 888}));
}

TEST(PanelLayout, HalvesRoundUpAndHeightOnlyMovesTheRows)
{
    layoutFor(645, 512);
    EXPECT_EQ(state.layout.unit, 65);
    layoutFor(640, 4000);
    EXPECT_EQ(state.layout.barHeight, 64);
    EXPECT_EQ(state.layout.dragArea.bottom, 4000 - 64 - 1);
    EXPECT_EQ(state.layout.digitRows.edges[5], 4000 - 64);
    layoutFor(5, 3);
    EXPECT_EQ(state.layout.barHeight, 1);
}

TEST(PanelLayout, RectanglesIncludeTheirBounds)
{
    const PanelRect r{10, 20, 30, 40};
    EXPECT_TRUE(rectContains(r, 10, 20));
    EXPECT_TRUE(rectContains(r, 30, 40));
    EXPECT_FALSE(rectContains(r, 31, 40));
    EXPECT_FALSE(rectContains(r, 10, 19));
}

} // namespace

#include "veltrane/panel/panel_layout.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace veltrane;


namespace {

CalibrationState state;

using Rect = std::array<int, 4>;

Rect asArray(const PanelRect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

void layoutFor(int width, int height)
{
    state = CalibrationState{};
    state.width = width;
    state.height = height;
    computePanelLayout(state);
}

void expectLayout(int barHeight, int buttonWidth, double fontScale, std::vector<Rect> rects, std::vector<int> edges)
{
    const PanelLayout& l = state.layout;
    EXPECT_EQ(l.barHeight, barHeight);
    EXPECT_EQ(l.barBottom, barHeight - 1);
    EXPECT_EQ(l.buttonWidth, buttonWidth);
    EXPECT_DOUBLE_EQ(l.fontScale, fontScale);
    const std::vector<Rect> actual = {asArray(l.slantButton),   asArray(l.pitchButton), asArray(l.forwardButton),
                                      asArray(l.reverseButton), asArray(l.quitButton),  asArray(l.dragArea)};
    EXPECT_EQ(actual, rects);
    EXPECT_EQ(std::vector<int>(l.digitRows.edges, l.digitRows.edges + 6), edges);
    EXPECT_EQ(l.digitRows.right, state.width - 1);
}

TEST(PanelLayout, WorkedExamples)
{
    layoutFor(640, 512);
    expectLayout(64, 95, 0.64,
                 {{0, 0, 95, 63}, {96, 0, 191, 63}, {192, 0, 287, 63}, {288, 0, 383, 63}, {544, 0, 639, 63},
                  {0, 64, 639, 447}},
                 {64, 140, 217, 294, 371, 448});
    layoutFor(1920, 1080);
    expectLayout(192, 286, 1.92,
                 {{0, 0, 286, 191}, {287, 0, 573, 191}, {574, 0, 860, 191}, {861, 0, 1147, 191},
                  {1633, 0, 1919, 191}, {0, 192, 1919, 887}},
                 {192, 331, 470, 609, 748, 888});
}

TEST(PanelLayout, BarsFollowTheWidthAlone)
{
    layoutFor(645, 512);
    EXPECT_EQ(state.layout.unit, 65); // halves round up
    layoutFor(640, 4000);
    EXPECT_EQ(state.layout.barHeight, 64);
    EXPECT_EQ(state.layout.digitRows.edges[5], 4000 - 64);
    layoutFor(5, 3);
    EXPECT_EQ(state.layout.barHeight, 1);
    EXPECT_TRUE(rectContains(PanelRect{10, 20, 30, 40}, 30, 40));
    EXPECT_FALSE(rectContains(PanelRect{10, 20, 30, 40}, 31, 40));
}

} // namespace

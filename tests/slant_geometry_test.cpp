#include "engine/slant_geometry.h"
#include "support/engine_fixture.h"

#include <vector>

namespace {

using SlantGeometry = EngineTest;

std::vector<int> tableFor(double pitch, int views)
{
    state.pitch = pitch;
    state.viewCount = views;
    state.height = 512;
    state.slantY = 1152;
    computeSlantGeometry();
    return std::vector<int>(state.weightTable, state.weightTable + WeightTableSize);
}

TEST_F(SlantGeometry, WeightTablesAndTheirLookup)
{
    const std::vector<int> profile(state.weightProfile, state.weightProfile + WeightTableSize);
    EXPECT_EQ(tableFor(8.0, 8), profile);
    EXPECT_EQ(tableFor(7.0, 8), (std::vector<int>{174, 173, 169, 164, 156, 147, 136, 124, 111, 98, 85, 73,
                                                  61, 50, 41, 32, 24, 18, 12, 7, 4, 2, 0, 0}));
    EXPECT_EQ(tableFor(12.0, 8)[0], 298); // not clamped here: the mask store saturates
    EXPECT_EQ(tableFor(8.0, 10), (std::vector<int>{159, 158, 155, 150, 143, 135, 124, 113, 101, 89, 78, 67,
                                                   56, 46, 37, 29, 22, 16, 11, 7, 4, 2, 0, 0}));
    EXPECT_EQ(lookupWeight(0.0), 159);
    EXPECT_EQ(lookupWeight(0.5), state.weightTable[11]);
    EXPECT_EQ(lookupWeight(0.99999999999999989), state.weightTable[22]);
    EXPECT_EQ(lookupWeight(1.0), 0);
}

TEST_F(SlantGeometry, LineDirections)
{
    struct Direction {
        int width, height, slantX, slantY, mirror, lineDx, lineDy;
    } cases[] = {
        {8, 6, 1, 4, 0, -4, 6},          {8, 6, 1, 4, 1, 4, 6},             {8, 6, 1, 3, 0, -6, 6},
        {640, 512, 128, 1152, 0, -170, 512}, {640, 512, 384, 1152, 1, 512, 512}, {640, 512, 1, 49, 0, -31, 511},
        {640, 512, 0, 1152, 0, 0, 512},  {640, 512, 7, 0, 0, -640, 0},      {640, 512, 64, 0, 1, 640, 0},
        {640, 512, 0, 0, 0, 0, 0},
    };
    for (const Direction& c : cases) {
        state.width = c.width;
        state.height = c.height;
        state.slantX = c.slantX;
        state.subpixelSlantX = 3 * c.slantX;
        state.slantY = c.slantY;
        state.mirror = c.mirror;
        state.viewCount = 8;
        EXPECT_EQ(computeSlantGeometry(), c.lineDx) << c.slantX << "/" << c.slantY << " mirror " << c.mirror;
        EXPECT_EQ(state.lineDx, c.lineDx);
        EXPECT_EQ(state.lineDy, c.lineDy) << c.slantX << "/" << c.slantY;
    }
}

} // namespace

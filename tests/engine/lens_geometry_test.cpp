#include "lens_geometry.h"
#include "veltrane/engine/interlace.h"

#include <gtest/gtest.h>

#include <vector>

using namespace veltrane;

namespace {

SlantGeometry slantFor(double pitch, int views)
{
    LensGeometry lens;
    lens.pitch = pitch;
    lens.viewCount = views;
    lens.height = 512;
    lens.slantY = 1152;
    return deriveSlantGeometry(lens);
}

std::vector<int> tableFor(double pitch, int views)
{
    const SlantGeometry slant = slantFor(pitch, views);
    return std::vector<int>(slant.weightTable, slant.weightTable + WeightTableSize);
}

TEST(LensGeometry, WeightTablesAndTheirLookup)
{
    const std::vector<int> profile(WeightProfile, WeightProfile + WeightTableSize);
    EXPECT_EQ(tableFor(8.0, 8), profile);
    EXPECT_EQ(tableFor(7.0, 8), (std::vector<int>{174, 173, 169, 164, 156, 147, 136, 124, 111, 98, 85, 73,
                                                  61, 50, 41, 32, 24, 18, 12, 7, 4, 2, 0, 0}));
    EXPECT_EQ(tableFor(12.0, 8)[0], 298); // not clamped here: the mask store saturates
    EXPECT_EQ(tableFor(8.0, 10), (std::vector<int>{159, 158, 155, 150, 143, 135, 124, 113, 101, 89, 78, 67,
                                                   56, 46, 37, 29, 22, 16, 11, 7, 4, 2, 0, 0}));
    const SlantGeometry slant = slantFor(8.0, 10);
    EXPECT_EQ(lookupWeight(slant, 0.0), 159);
    EXPECT_EQ(lookupWeight(slant, 0.5), slant.weightTable[11]);
    EXPECT_EQ(lookupWeight(slant, 0.99999999999999989), slant.weightTable[22]);
    EXPECT_EQ(lookupWeight(slant, 1.0), 0);
}

TEST(LensGeometry, LineDirections)
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
        LensGeometry lens;
        lens.width = c.width;
        lens.height = c.height;
        lens.slantX = c.slantX;
        lens.slantY = c.slantY;
        lens.mirror = c.mirror != 0;
        lens.viewCount = 8;
        const SlantGeometry slant = deriveSlantGeometry(lens);
        EXPECT_EQ(slant.lineDx, c.lineDx) << c.slantX << "/" << c.slantY << " mirror " << c.mirror;
        EXPECT_EQ(slant.lineDy, c.lineDy) << c.slantX << "/" << c.slantY;
        EXPECT_EQ(slant.subpixelSlantX, 3 * c.slantX);
        EXPECT_EQ(slant.maskStride, 3 * c.width);
    }
}

TEST(LensGeometry, TwoViewCountFollowsThePitch)
{
    EXPECT_EQ(twoViewCount(8.0), 10);
    EXPECT_EQ(twoViewCount(7.0), 10);
    EXPECT_EQ(twoViewCount(6.5), 10);
    EXPECT_EQ(twoViewCount(6.4), 8);
    EXPECT_EQ(twoViewCount(2.0), 4);
}

} // namespace

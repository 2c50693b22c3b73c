#include "view_masks.h"
#include "support/counting_allocator.h"
#include "engine_fixture.h"

#include <algorithm>
#include <set>

#include <cmath>
#include <limits>
#include <random>

using namespace veltrane;

namespace {

using ViewMaskListing = EngineTest;
using Listing = std::vector<std::string>;

// The mask of view 0 at 8 x 6, pitch 8.0 and 8 views (spacing 1), slantX 1.
void expectViewZero(int slantY, int mirror, const Listing& expected)
{
    LensGeometry lens;
    lens.width = 8, lens.height = 6, lens.pitch = 8.0, lens.viewCount = 8;
    lens.slantX = 1, lens.slantY = slantY, lens.mirror = mirror != 0;
    ViewMasks masks(lens);
    ASSERT_EQ(masks.allocate(), Status::Done);
    masks.generate();
    Listing rows;
    for (int y = 0; y < lens.height; ++y)
        rows.push_back(describeRow(masks.mask(0), y, 24));
    EXPECT_EQ(rows, expected);
}

TEST_F(ViewMaskListing, SteepUnmirroredLinesWalkRowByRow)
{
    expectViewZero(4, 0, {
        "",
        "7=156 8=70 15=156 16=70",
        "6=70 7=156 14=70 15=156 22=70 23=156",
        "5=9 6=199 13=9 14=199 15=9 21=9 22=199",
        "5=156 6=70 13=156 14=70 21=156 22=70",
        "",
    });
}

TEST_F(ViewMaskListing, EqualExtentsWalkColumnByColumnFromTheEndPoint)
{
    expectViewZero(3, 0, {
        "7=28 15=28",
        "6=28 7=199 14=28 15=199 22=28",
        "5=28 6=199 7=28 13=28 14=199 15=28 21=28 22=199",
        "4=28 5=199 6=28 12=28 13=199 14=28 20=28 21=199 22=28",
        "4=199 5=28 12=199 13=28 20=199 21=28",
        "4=28 12=28 20=28",
    });
}

TEST_F(ViewMaskListing, MirroredLinesAreWalkedAsTheMirrorImage)
{
    expectViewZero(4, 1, {
        "",
        "4=70 5=156 12=70 13=156 20=70 21=156",
        "5=156 6=70 13=156 14=70 21=156 22=70",
        "5=9 6=199 7=9 13=9 14=199 21=9 22=199 23=9",
        "6=70 7=156 14=70 15=156 22=70 23=156",
        "",
    });
}

TEST_F(ViewMaskListing, VerticalLinesWeighByTheirDistanceAlone)
{
    geometry(6, 6, 20.0, 8, 0, 4, 0); // spacing 2.5: view 1 starts at column 2.5
    buildMasks();
    const std::string row = std::to_string(masks->slant().weightTable[11]);
    const Listing expected = {"", "2=" + row + " 3=" + row, "2=" + row + " 3=" + row,
                              "2=" + row + " 3=" + row, "2=" + row + " 3=" + row, ""};
    EXPECT_EQ(describeMask(1), expected);
}

TEST_F(ViewMaskListing, FailedAllocationsLeakNothing)
{
    geometry(64, 32, 8.0, 8, 2, 72, 0);
    {
        CountingAllocator failing(1);
        ViewMasks masks(lens, CountingAllocator::allocator());
        EXPECT_EQ(masks.allocate(), Status::NoMaskArray);
        EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
    }
    {
        CountingAllocator failing(4); // the array, two masks, then the third mask
        ViewMasks masks(lens, CountingAllocator::allocator());
        EXPECT_EQ(masks.allocate(), Status::NoMaskMemory);
        EXPECT_EQ(CountingAllocator::calls(), 4);
        EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
        EXPECT_FALSE(masks.allocated());
    }
    {
        CountingAllocator counting; // and what was allocated goes with the masks
        {
            ViewMasks masks(lens, CountingAllocator::allocator());
            EXPECT_EQ(masks.allocate(), Status::Done);
            EXPECT_EQ(CountingAllocator::liveBlocks(), 9);
        }
        EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
    }
}

TEST_F(ViewMaskListing, WideViewSpacingSaturatesInsteadOfWrapping)
{
    geometry(16, 8, 12.0, 8, 0, 24, 0); // spacing 1.5: the closest weight is 298
    buildMasks();
    int highest = 0;
    for (int i = 0; i < 8 * 48; ++i)
        highest = std::max<int>(highest, masks->mask(0)[i]);
    EXPECT_EQ(highest, 255);
}

// Horizontal lines, and geometries a calibrator cannot produce, draw nothing,
// end, and stay in bounds (the sanitizer build checks every write).
TEST_F(ViewMaskListing, DegenerateInputsDrawNothing)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double pitch;
        int views, slantX, slantY;
    } cases[] = {{8.0, 8, 0, 0}, {8.0, 8, 5, 0}, {0.0, 8, 4, 48}, {-8.0, 8, 4, 48}, {nan, 8, 4, 48}, {inf, 8, 4, 48},
                 {8.0, 0, 4, 48}, {8.0, -3, 4, 48}, {1e-300, 2, 4, 48}};
    for (const Case& c : cases) {
        geometry(32, 16, c.pitch, c.views, c.slantX, c.slantY, 0);
        buildMasks();
        for (int v = 0; v < lens.viewCount; ++v)
            for (const std::string& row : describeMask(v))
                EXPECT_EQ(row, "") << c.pitch << " " << c.views;
    }
}

TEST_F(ViewMaskListing, OppositeSignsAndHugeSlantsStayInsideTheMasks)
{
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> slant(-3000, 3000);
    // Under the sanitizers a write outside a mask is caught; here every byte
    // must be a weight of the table, or the zero the mask starts with.
    long drawn = 0;
    auto check = [&](const std::string& what) {
        std::set<int> weights{0};
        for (const int weight : masks->slant().weightTable)
            weights.insert(std::clamp(weight, 0, 255));
        const std::size_t bytes = static_cast<std::size_t>(lens.height) * masks->slant().maskStride;
        for (int v = 0; v < lens.viewCount; ++v)
            for (std::size_t b = 0; b < bytes; ++b) {
                const unsigned char value = masks->mask(v)[b];
                drawn += value != 0;
                ASSERT_EQ(weights.count(value), 1u) << what << ": view " << v << " byte " << b << " is " << +value;
            }
    };
    for (int i = 0; i < 200; ++i) {
        geometry(3 + i % 29, 2 + i % 23, 2.0 + i % 13, 1 + i % 9, slant(random), slant(random) / 10, i % 2);
        buildMasks();
        check("case " + std::to_string(i));
    }
    EXPECT_GT(drawn, 0); // the lines did reach the masks
    geometry(40, 30, 8.0, 8, 100000, -1, 0);
    buildMasks();
    check("huge slant");
}

TEST_F(ViewMaskListing, LaterLinesOfAViewOverwriteEarlierOnes)
{
    // Pitch 1 with one view: vertical lines one column apart. Each triple
    // replaces the bytes before it, so the zero weight of every next line wins
    // over the full weight of the line before; only the last line keeps 199.
    geometry(8, 6, 1.0, 1, 0, 4, 0);
    buildMasks();
    const Listing expected = {"", "22=199", "22=199", "22=199", "22=199", ""};
    EXPECT_EQ(describeMask(0), expected);
}

} // namespace

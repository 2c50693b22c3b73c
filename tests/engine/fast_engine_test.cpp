// The fast engine against the reference engine, byte for byte, on random
// geometries and images. The seed is fixed and printed with every failure.
#include "blend.h"
#include "fast_interlace.h"
#include "simd_kernels.h"
#include "view_masks.h"
#include "support/counting_allocator.h"
#include "engine_fixture.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <sstream>

using namespace veltrane;

namespace {

constexpr unsigned Seed = 20261206;

struct Case {
    int width, height, slantX, slantY, mirror, views;
    double pitch;

    std::string describe() const
    {
        std::ostringstream text;
        text << "seed " << Seed << ": " << width << "x" << height << " slant " << slantX << "/" << slantY
             << " mirror " << mirror << " pitch " << pitch << " views " << views;
        return text.str();
    }
};

Case randomCase(std::mt19937& random, int index)
{
    auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    Case c;
    c.width = index == 0 ? 5 : between(5, 300);
    c.height = index == 0 ? 3 : between(3, 200); // the fewest rows the engine lights
    if (index % 10 == 9) { // wide and low: rows cut into several pieces, lines crossing between them
        c.width = between(500, 1400);
        c.height = between(3, 60);
    }
    c.slantY = between(1, 3 * c.height);
    c.slantX = between(0, 5) == 0 ? 0 : between(1, 400);
    if (index % 5 == 3 && c.slantY > 0 && c.slantX > 0) // equal extents: 3 slantX == slantY
        c.slantY = 3 * c.slantX;
    if (index % 13 == 5) // a slant of the other sign: never from the calibrator, still exact
        c.slantX *= -1;
    c.mirror = index % 2;
    c.pitch = std::uniform_real_distribution<double>(2.0, 40.0)(random);
    if (index % 50 == 7)
        c.pitch = std::uniform_real_distribution<double>(0.3, 2.0)(random);
    if (index % 50 == 8)
        c.pitch = -c.pitch;
    c.views = between(1, 64);
    if (index % 11 == 4) { // many views, far apart: shares added without masks
        c.width = between(5, 120);
        c.height = between(3, 50);
        c.pitch = std::uniform_real_distribution<double>(4.0, 999.0)(random);
        c.views = between(24, 400);
    }
    return c;
}

cv::Mat randomImage(std::mt19937& random, int width, int height)
{
    cv::Mat image(height, width, CV_8UC3);
    cv::randu(image, 0, 256);
    if (random() % 3 == 0) // some saturated areas too
        image(cv::Rect(0, 0, width / 2, height)).setTo(cv::Scalar::all(255));
    return image;
}

// Each case runs with OpenCV's thread count, or with 1, 3 or 8 threads, in
// turn: chunks of rows then fall to threads differently.
LensGeometry lensOf(const Case& c, int index, int views)
{
    static const int Threads[] = {0, 1, 3, 8};
    LensGeometry lens;
    lens.width = c.width;
    lens.height = c.height;
    lens.slantX = c.slantX;
    lens.slantY = c.slantY;
    lens.mirror = c.mirror != 0;
    lens.pitch = c.pitch;
    lens.viewCount = views;
    lens.threads = Threads[index % 4];
    return lens;
}

void expectSame(const cv::Mat& fast, const cv::Mat& reference, const std::string& what)
{
    cv::Mat differs;
    cv::compare(fast.reshape(1), reference.reshape(1), differs, cv::CMP_NE);
    const int count = cv::countNonZero(differs);
    if (count > 0) {
        cv::Point where;
        cv::minMaxLoc(differs, nullptr, nullptr, nullptr, &where);
        ADD_FAILURE() << what << ": " << count << " bytes differ, first at row " << where.y << " byte "
                      << where.x;
    }
}

// One random image per view of a case.
struct RandomViews {
    RandomViews(std::mt19937& random, const Case& c)
    {
        for (int v = 0; v < c.views; ++v) {
            images.push_back(randomImage(random, c.width, c.height));
            sources.push_back(images.back().data);
        }
    }
    std::vector<cv::Mat> images;
    std::vector<const unsigned char*> sources;
};

using FastEngine = EngineTest;

TEST_F(FastEngine, ViewSequencesMatchTheReference)
{
    std::mt19937 random(Seed);
    for (int i = 0; i < 200; ++i) {
        const Case c = randomCase(random, i);
        LensGeometry lens = lensOf(c, i, c.views);
        lens.panelBgr = i % 3 == 1; // a blue-first panel
        lens.lineShift = i % 4 == 2 ? std::uniform_real_distribution<double>(0.0, 1.0)(random) : 0.0;
        const RandomViews views(random, c);
        const std::vector<cv::Mat>& images = views.images;
        const std::vector<const unsigned char*>& sources = views.sources;
        cv::Mat reference(c.height, c.width, CV_8UC3);
        cv::Mat fast(c.height, c.width, CV_8UC3, cv::Scalar(1, 2, 3));
        ASSERT_EQ(interlaceViewsReference(lens, sources.data(), reference.data), Status::Done);
        ASSERT_EQ(interlaceViewsFast(lens, sources.data(), fast.data), Status::Done) << c.describe();
        expectSame(fast, reference, c.describe());

        // The same images handed over in subpixel order.
        std::vector<cv::Mat> swapped(images.size());
        std::vector<const unsigned char*> swappedSources;
        for (std::size_t v = 0; v < images.size(); ++v) {
            cv::cvtColor(images[v], swapped[v], cv::COLOR_BGR2RGB);
            swappedSources.push_back(swapped[v].data);
        }
        lens.subpixelOrder = true;
        ASSERT_EQ(interlaceViewsFast(lens, swappedSources.data(), fast.data), Status::Done) << c.describe();
        expectSame(fast, reference, "subpixel order, " + c.describe());
        if (i % 4 == 0) { // and the reference takes them so too
            ASSERT_EQ(interlaceViewsReference(lens, swappedSources.data(), fast.data), Status::Done);
            expectSame(fast, reference, "reference in subpixel order, " + c.describe());
        }
    }
}

// Views streamed one at a time, in any order, add up to the composition of
// all of them; the views a frame does not have add nothing.
TEST_F(FastEngine, ViewsAddedOneAtATimeMakeTheComposition)
{
    std::mt19937 random(Seed + 3);
    for (int i = 0; i < 60; ++i) {
        const Case c = randomCase(random, i);
        LensGeometry lens = lensOf(c, i, c.views);
        lens.subpixelOrder = i % 2 == 1;
        lens.panelBgr = i % 3 == 0;
        lens.lineShift = i % 5 == 1 ? 0.375 : 0.0;
        const RandomViews views(random, c);
        const std::vector<const unsigned char*>& sources = views.sources;
        cv::Mat reference(c.height, c.width, CV_8UC3);
        ASSERT_EQ(interlaceViewsReference(lens, sources.data(), reference.data), Status::Done);
        std::vector<int> order(c.views);
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), random);
        cv::Mat streamed(c.height, c.width, CV_8UC3, cv::Scalar::all(0));
        cv::Mat grouped(c.height, c.width, CV_8UC3, cv::Scalar::all(0));
        for (std::size_t k = 0; k < order.size(); ++k) {
            const int v = order[k];
            ASSERT_EQ(addOneView(lens, v, sources[v], streamed.data), Status::Done) << c.describe();
            if (k % 3 == 2 || k + 1 == order.size()) { // the last up to three views in one pass
                const std::size_t from = k - k % 3;
                std::vector<int> group(order.begin() + from, order.begin() + k + 1);
                std::vector<const unsigned char*> groupSources;
                for (const int g : group)
                    groupSources.push_back(sources[g]);
                ASSERT_EQ(addViewsFast(lens, group.data(), groupSources.data(), static_cast<int>(group.size()),
                                       grouped.data),
                          Status::Done);
            }
        }
        ASSERT_EQ(addOneView(lens, c.views, sources[0], streamed.data), Status::Done);
        expectSame(streamed, reference, "streamed, " + c.describe());
        expectSame(grouped, reference, "streamed in groups, " + c.describe());
    }
}

TEST_F(FastEngine, TwoViewFramesMatchTheReference)
{
    std::mt19937 random(Seed + 1);
    int compared = 0;
    for (int i = 0; i < 150; ++i) {
        const Case c = randomCase(random, i);
        LensGeometry lens = lensOf(c, i, twoViewCount(c.pitch));
        lens.panelBgr = i % 2 == 1;
        lens.lineShift = i % 3 == 0 ? 0.5 : 0.0;
        const cv::Mat first = randomImage(random, c.width, c.height);
        const cv::Mat second = randomImage(random, c.width, c.height);
        cv::Mat reference(c.height, c.width, CV_8UC3);
        cv::Mat fast(c.height, c.width, CV_8UC3);
        const Status expected =
            interlaceTwoViewsReference(calibrationOf(lens), lens.viewCount, first, second, reference, optionsOf(lens));
        ASSERT_EQ(interlaceTwoViews(calibrationOf(lens), lens.viewCount, first, second, fast, optionsOf(lens)), expected)
            << c.describe();
        if (expected != Status::Done) // lines too many to draw, refused alike
            continue;
        ++compared;
        expectSame(fast, reference, c.describe());
    }
    EXPECT_GT(compared, 120);
}

// Solid colours make the frame of two images filled with them, on every
// walk (rows, column triples, shares added directly): colours whose channels
// are all 0 or 255 take sums of mask bytes, others the products.
TEST_F(FastEngine, TwoColourFramesMatchTheReferenceWithFilledImages)
{
    std::mt19937 random(Seed + 4);
    const cv::Scalar binary[] = {{0, 255, 255}, {255, 0, 255}, {255, 255, 255}, {0, 0, 0}, {255, 0, 0}};
    int composed = 0;
    for (int i = 0; i < 150; ++i) {
        const Case c = randomCase(random, i);
        const int views = i % 11 == 4 ? c.views : twoViewCount(c.pitch);
        const LensGeometry lens = lensOf(c, i, views);
        Calibration calibration = calibrationOf(lens);
        calibration.subpixelOrder = i % 2 == 1 ? ChannelOrder::Bgr : ChannelOrder::Rgb;
        calibration.viewPhase = i % 3 == 0 ? 2.5 : 0.0;
        EngineOptions options = optionsOf(lens);
        options.sourceOrder = i % 4 == 1 ? ChannelOrder::Rgb : ChannelOrder::Bgr;
        auto pick = [&] {
            if (random() % 3 == 0)
                return cv::Scalar(random() % 256, random() % 256, random() % 256);
            return binary[random() % 5];
        };
        const cv::Scalar first = pick();
        const cv::Scalar second = pick();
        const cv::Mat firstImage(c.height, c.width, CV_8UC3, first);
        const cv::Mat secondImage(c.height, c.width, CV_8UC3, second);
        cv::Mat reference;
        cv::Mat fast(c.height, c.width, CV_8UC3, cv::Scalar(1, 2, 3));
        const Status expected =
            interlaceTwoViewsReference(calibration, views, firstImage, secondImage, reference, options);
        ASSERT_EQ(interlaceTwoColours(calibration, views, first, second, fast.size(), fast, options), expected)
            << c.describe();
        if (expected != Status::Done) // lines all but horizontal, refused alike
            continue;
        ++composed;
        std::ostringstream colours;
        colours << " colours " << first << " " << second;
        expectSame(fast, reference, c.describe() + colours.str());
    }
    EXPECT_GT(composed, 120);
}

// Samples are ints of x times the phase bins, which rows of 65535 subpixels
// and more would overflow: such frames are the reference's, with the same
// bytes, from images and from colours.
TEST_F(FastEngine, RowsTooWideForTheSamplesAreStillExact)
{
    for (const int width : {21844, 21845, 22000}) {
        geometry(width, 3, 8.0, twoViewCount(8.0), 128, 9, 0);
        const cv::Mat yellow(3, width, CV_8UC3, cv::Scalar(0, 255, 255));
        const cv::Mat magenta(3, width, CV_8UC3, cv::Scalar(255, 0, 255));
        cv::Mat reference;
        cv::Mat fromImages;
        cv::Mat fromColours;
        ASSERT_EQ(interlaceTwoViewsReference(calibrationOf(lens), lens.viewCount, yellow, magenta, reference),
                  Status::Done);
        ASSERT_EQ(interlaceTwoViews(calibrationOf(lens), lens.viewCount, yellow, magenta, fromImages), Status::Done);
        ASSERT_EQ(interlaceTwoColours(calibrationOf(lens), lens.viewCount, cv::Scalar(0, 255, 255),
                                      cv::Scalar(255, 0, 255), yellow.size(), fromColours),
                  Status::Done);
        expectSame(fromImages, reference, "images, width " + std::to_string(width));
        expectSame(fromColours, reference, "colours, width " + std::to_string(width));
        EXPECT_GT(cv::countNonZero(reference.reshape(1)), width); // lines all the way across
    }
}

// A frame of over a million pixels: subpixel order is crossed in pieces of a
// million pixels, and many chunks of rows go to every thread.
TEST_F(FastEngine, AFrameOfOverAMillionPixels)
{
    std::mt19937 random(Seed + 2);
    const int width = 1101;
    const int height = 1000;
    std::vector<cv::Mat> images;
    std::vector<cv::Mat> swapped;
    std::vector<const unsigned char*> sources;
    std::vector<const unsigned char*> swappedSources;
    for (int v = 0; v < 3; ++v) {
        images.push_back(randomImage(random, width, height));
        swapped.emplace_back(height, width, CV_8UC3);
        crossSubpixelOrder(images.back().data, swapped.back().data, images.back().total() * 3);
        cv::Mat expected;
        cv::cvtColor(images.back(), expected, cv::COLOR_BGR2RGB);
        expectSame(swapped.back(), expected, "crossing view " + std::to_string(v));
        sources.push_back(images.back().data);
        swappedSources.push_back(swapped.back().data);
    }
    for (const int mirror : {0, 1}) {
        const int slantX = mirror ? 290 : 77;
        geometry(width, height, 7.3, 3, slantX, 3 * (mirror ? slantX : 311), mirror);
        cv::Mat reference(height, width, CV_8UC3);
        ASSERT_EQ(interlaceViewsReference(lens, sources.data(), reference.data), Status::Done);
        lens.subpixelOrder = true;
        cv::Mat fast(height, width, CV_8UC3);
        ASSERT_EQ(interlaceViewsFast(lens, swappedSources.data(), fast.data), Status::Done);
        expectSame(fast, reference, mirror ? "equal extents, mirrored" : "row walk");
    }
}

// Lines as steep as they are wide used to go to the reference engine, with a
// full mask per view; the fast engine keeps to a few rows of masks there too.
TEST_F(FastEngine, EqualExtentsKeepToTheFastEnginesMemory)
{
    const int width = 960;
    const int height = 540;
    const cv::Mat yellow(height, width, CV_8UC3, cv::Scalar(0, 255, 255));
    const cv::Mat magenta(height, width, CV_8UC3, cv::Scalar(255, 0, 255));
    for (const double pitch : {8.0, 999.9})
        for (const int mirror : {0, 1}) {
            geometry(width, height, pitch, twoViewCount(pitch), 300, 900, mirror);
            cv::Mat fast(height, width, CV_8UC3);
            CountingAllocator counting;
            ASSERT_EQ(interlaceTwoViews(calibrationOf(lens), lens.viewCount, yellow, magenta, fast, optionsOf(lens, CountingAllocator::allocator())),
                      Status::Done);
            const std::size_t oneMask = static_cast<std::size_t>(width) * height * 3;
            EXPECT_LT(CountingAllocator::peakBytes(), oneMask) << "pitch " << pitch << " mirror " << mirror;
            EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
            EXPECT_GT(cv::countNonZero(fast.reshape(1)), 0);
        }
}

TEST_F(FastEngine, FailedAllocationLeavesTheOutputAndLeaksNothing)
{
    const cv::Mat white(24, 32, CV_8UC3, cv::Scalar::all(255));
    geometry(32, 24, 8.0, twoViewCount(8.0), 4, 60, 0);
    for (int failAt : {1, 2, 3, 4, 5}) {
        for (const bool colours : {false, true}) {
            if (failAt == 5 && !colours) // images need one allocation less: the colours' rows
                continue;
            cv::Mat out(24, 32, CV_8UC3, cv::Scalar(7, 8, 9));
            CountingAllocator failing(failAt);
            const EngineOptions options = optionsOf(lens, CountingAllocator::allocator());
            ::testing::internal::CaptureStdout();
            const Status status =
                colours ? interlaceTwoColours(calibrationOf(lens), lens.viewCount, cv::Scalar::all(255),
                                              cv::Scalar::all(255), out.size(), out, options)
                        : interlaceTwoViews(calibrationOf(lens), lens.viewCount, white, white, out, options);
            EXPECT_EQ(status, Status::NoMaskMemory) << "allocation " << failAt << (colours ? ", colours" : "");
            EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
            EXPECT_EQ(out.at<cv::Vec3b>(12, 12), cv::Vec3b(7, 8, 9));
            EXPECT_EQ(CountingAllocator::liveBlocks(), 0);
        }
    }
}

} // namespace

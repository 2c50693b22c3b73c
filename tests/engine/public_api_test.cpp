// The engine's public entry points: what they refuse, and that nothing
// escapes them as an exception.
#include "veltrane/engine/interlace.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <new>
#include <random>

using namespace veltrane;

namespace {

const Calibration Lens{6, 1152, 8.25, true};

cv::Mat solid(int rows, int cols, int value)
{
    return cv::Mat(rows, cols, CV_8UC3, cv::Scalar::all(value));
}

TEST(PublicApi, UnusableImagesAreRefusedAndTheOutputKept)
{
    const cv::Mat view = solid(40, 60, 200);
    cv::Mat output = solid(40, 60, 7);
    const cv::Mat before = output.clone();
    const cv::Mat larger = solid(80, 120, 200);
    const std::vector<std::vector<cv::Mat>> refused = {
        {},                                          // no views
        {view, cv::Mat(40, 60, CV_8UC1)},            // one channel
        {view, solid(40, 61, 1)},                    // another size
        {view, larger(cv::Rect(0, 0, 60, 40))},      // rows that are not continuous
        {view, cv::Mat()},                           // empty
    };
    for (std::size_t i = 0; i < refused.size(); ++i) {
        EXPECT_EQ(interlaceViews(Lens, refused[i], output), Status::InvalidImage) << "case " << i;
        EXPECT_EQ(interlaceViewsReference(Lens, refused[i], output), Status::InvalidImage) << "case " << i;
        EXPECT_EQ(cv::norm(output, before, cv::NORM_INF), 0) << "case " << i;
    }
    EXPECT_EQ(interlaceTwoViews(Lens, 10, view, solid(40, 59, 0), output), Status::InvalidImage);
    for (const cv::Size empty : {cv::Size(0, 40), cv::Size(60, 0), cv::Size(-60, -40)})
        EXPECT_EQ(interlaceTwoColours(Lens, 10, cv::Scalar::all(255), cv::Scalar::all(0), empty, output),
                  Status::InvalidImage);
    cv::Mat noOutput;
    EXPECT_EQ(addViews(Lens, 2, {0}, {view}, noOutput), Status::InvalidImage); // adding needs an output
    EXPECT_EQ(addViews(Lens, 2, {0, 1}, {view}, output), Status::InvalidImage); // a view without its image
    EXPECT_EQ(cv::norm(output, before, cv::NORM_INF), 0);
}

// A slant all but horizontal has more lens lines than the engine draws: a
// status, not a black image. The bound is the size's: a frame a quarter as
// tall takes the slant.
TEST(PublicApi, ASlantTooFlatToDrawIsAStatus)
{
    const Calibration flat{2731, 1, 8.0, false};
    const cv::Size size(640, 512);
    EXPECT_EQ(checkGeometry(flat, size, 8), Status::UnsupportedGeometry);
    EXPECT_EQ(checkGeometry(flat, cv::Size(640, 128), 8), Status::Done);
    EXPECT_EQ(checkGeometry(Lens, size, 8), Status::Done);
    EXPECT_EQ(checkGeometry(Calibration{1 << 24, 1, 8.0, true}, size, 45), Status::UnsupportedGeometry);
    const std::vector<cv::Mat> views(8, solid(512, 640, 200));
    cv::Mat output = solid(512, 640, 7);
    const cv::Mat before = output.clone();
    EXPECT_EQ(interlaceViews(flat, views, output), Status::UnsupportedGeometry);
    EXPECT_EQ(interlaceTwoViews(flat, 10, views[0], views[1], output), Status::UnsupportedGeometry);
    EXPECT_EQ(interlaceTwoColours(flat, 10, cv::Scalar::all(200), cv::Scalar::all(9), size, output),
              Status::UnsupportedGeometry);
    EXPECT_EQ(addViews(flat, 8, {0, 1}, {views[0], views[1]}, output), Status::UnsupportedGeometry);
    EXPECT_EQ(cv::norm(output, before, cv::NORM_INF), 0);
    cv::Mat drawn;
    ASSERT_EQ(interlaceViews(Calibration{2731, 1, 8.0, false}, std::vector<cv::Mat>(8, solid(128, 640, 200)), drawn),
              Status::Done);
    EXPECT_GT(cv::mean(drawn)[0], 100.0);
}

// Numbers no lens sheet has and frames too small to light are a status too,
// never Done with a black image.
TEST(PublicApi, WhatTheEngineCannotDrawIsAStatus)
{
    const cv::Size size(64, 48);
    const std::vector<cv::Mat> views(8, solid(48, 64, 200));
    for (const Calibration& refused :
         {Calibration{715827883, 1152, 8.0, true}, Calibration{-715827883, 1152, 8.0, false},
          Calibration{2147483647, 1152, 8.0, false}, Calibration{6, 0, 8.0, true}, Calibration{0, 0, 8.0, false},
          Calibration{6, -1152, 8.0, true}}) {
        EXPECT_EQ(checkGeometry(refused, size, 8), Status::UnsupportedGeometry) << refused.x << " " << refused.y;
        cv::Mat output = solid(48, 64, 7);
        EXPECT_EQ(interlaceViews(refused, views, output), Status::UnsupportedGeometry) << refused.x << " " << refused.y;
        EXPECT_EQ(interlaceViewsReference(refused, views, output), Status::UnsupportedGeometry);
        EXPECT_EQ(cv::countNonZero(output.reshape(1) != 7), 0) << "the output was touched";
    }
    for (const int rows : {1, 2}) {
        EXPECT_EQ(checkGeometry(Lens, cv::Size(640, rows), 8), Status::UnsupportedGeometry) << rows << " rows";
        cv::Mat output;
        EXPECT_EQ(interlaceViews(Lens, std::vector<cv::Mat>(8, solid(rows, 640, 200)), output),
                  Status::UnsupportedGeometry);
        EXPECT_TRUE(output.empty());
    }
    cv::Mat three; // the fewest rows that show anything: the middle one
    ASSERT_EQ(interlaceViews(Lens, std::vector<cv::Mat>(8, solid(3, 640, 200)), three), Status::Done);
    EXPECT_GT(cv::mean(three.row(1))[0], 100.0);
    EXPECT_EQ(brightnessKept(-8.0, -1), 0.0);
    EXPECT_EQ(brightnessKept(8.0, -1), 0.0);
    EXPECT_EQ(brightnessKept(-8.0, 8), 0.0);
}

// The brightness an output keeps, against what the engine makes of white
// views: many views at a small pitch round each view's share down.
TEST(PublicApi, TheBrightnessKeptIsWhatTheEngineGives)
{
    const cv::Mat white = solid(60, 120, 255);
    double usual = 0.0;
    for (const int views : {16, 400, 1200, 2000}) {
        cv::Mat output = solid(60, 120, 0);
        std::vector<int> all(views);
        for (int v = 0; v < views; ++v)
            all[v] = v;
        ASSERT_EQ(addViews(Lens, views, all, std::vector<cv::Mat>(views, white), output), Status::Done);
        const double mean = cv::mean(output)[0];
        if (views == 16)
            usual = mean / brightnessKept(Lens.pitch, views);
        EXPECT_NEAR(mean, usual * brightnessKept(Lens.pitch, views), 0.05 * usual) << views << " views";
    }
    EXPECT_EQ(brightnessKept(8.0, 8), 1.0);
    EXPECT_LT(brightnessKept(8.0, 1200), 0.75);
    EXPECT_EQ(brightnessKept(8.0, 2000), 0.0);
    EXPECT_EQ(brightnessKept(8.0, 0), 0.0);
}

// A whole view phase K is the view offset K: views rotated by K; phases N
// apart are the same; and adding views one by one follows the phase too.
TEST(PublicApi, AWholePhaseIsAViewOffset)
{
    std::mt19937 random(19);
    std::vector<cv::Mat> views;
    for (int v = 0; v < 5; ++v) {
        views.emplace_back(24, 40, CV_8UC3);
        cv::randu(views.back(), 0, 256);
    }
    for (const int k : {1, 3, -2, 7}) {
        Calibration phased = Lens;
        phased.viewPhase = k;
        std::vector<cv::Mat> offset(5);
        for (int v = 0; v < 5; ++v)
            offset[v] = views[((v + k) % 5 + 5) % 5];
        cv::Mat expected;
        cv::Mat got;
        cv::Mat streamed(24, 40, CV_8UC3, cv::Scalar::all(0));
        ASSERT_EQ(interlaceViews(Lens, offset, expected), Status::Done);
        ASSERT_EQ(interlaceViews(phased, views, got), Status::Done);
        EXPECT_EQ(cv::norm(got, expected, cv::NORM_INF), 0) << "phase " << k;
        ASSERT_EQ(interlaceViewsReference(phased, views, got), Status::Done);
        EXPECT_EQ(cv::norm(got, expected, cv::NORM_INF), 0) << "reference, phase " << k;
        for (int v : {4, 0, 2, 1, 3})
            ASSERT_EQ(addViews(phased, 5, {v}, {views[v]}, streamed), Status::Done);
        EXPECT_EQ(cv::norm(streamed, expected, cv::NORM_INF), 0) << "added one by one, phase " << k;
    }
}

// A blue-first panel is a red-first one with the colours of the sources and
// of the output swapped.
TEST(PublicApi, ABlueFirstPanelSwapsTheColours)
{
    std::mt19937 random(20);
    std::vector<cv::Mat> views(6);
    std::vector<cv::Mat> swapped(6);
    for (int v = 0; v < 6; ++v) {
        views[v].create(30, 50, CV_8UC3);
        cv::randu(views[v], 0, 256);
        cv::cvtColor(views[v], swapped[v], cv::COLOR_BGR2RGB);
    }
    for (const double phase : {0.0, 0.25, 2.5}) {
        Calibration bgr = Lens;
        bgr.subpixelOrder = ChannelOrder::Bgr;
        bgr.viewPhase = phase;
        Calibration rgb = Lens;
        rgb.viewPhase = phase;
        cv::Mat panel;
        cv::Mat crossed;
        ASSERT_EQ(interlaceViews(bgr, views, panel), Status::Done);
        ASSERT_EQ(interlaceViews(rgb, swapped, crossed), Status::Done);
        cv::cvtColor(crossed, crossed, cv::COLOR_RGB2BGR);
        EXPECT_EQ(cv::norm(panel, crossed, cv::NORM_INF), 0) << "phase " << phase;
        EXPECT_GT(cv::norm(panel, cv::Mat(crossed.size(), CV_8UC3, cv::Scalar::all(0)), cv::NORM_INF), 0);
    }
}

// A fraction of a view moves every lens line left by that share of the view
// spacing: at pitch 24 with 4 views, half a view is one pixel.
TEST(PublicApi, AFractionalPhaseMovesTheLines)
{
    const Calibration upright{0, 1152, 24.0, false};
    std::vector<cv::Mat> views;
    for (int v = 0; v < 4; ++v)
        views.push_back(solid(8, 40, 60 * v + 20));
    Calibration half = upright;
    half.viewPhase = 0.5;
    cv::Mat whole;
    cv::Mat moved;
    ASSERT_EQ(interlaceViews(upright, views, whole), Status::Done);
    ASSERT_EQ(interlaceViews(half, views, moved), Status::Done);
    EXPECT_EQ(cv::norm(moved(cv::Rect(0, 0, 36, 8)), whole(cv::Rect(1, 0, 36, 8)), cv::NORM_INF), 0);
    EXPECT_GT(cv::norm(moved, whole, cv::NORM_INF), 0);
}

TEST(PublicApi, TheOutputIsMadeOrItsMemoryReused)
{
    const std::vector<cv::Mat> views = {solid(30, 50, 255), solid(30, 50, 0)};
    cv::Mat made;
    ASSERT_EQ(interlaceViews(Lens, views, made), Status::Done);
    EXPECT_EQ(made.size(), cv::Size(50, 30));
    EXPECT_EQ(made.type(), CV_8UC3);
    cv::Mat reused = solid(30, 50, 9);
    const unsigned char* memory = reused.data;
    ASSERT_EQ(interlaceViews(Lens, views, reused), Status::Done);
    EXPECT_EQ(reused.data, memory);
    EXPECT_EQ(cv::norm(made, reused, cv::NORM_INF), 0);
    EXPECT_GT(cv::norm(made, cv::NORM_INF), 0); // the white view shows somewhere
}

TEST(PublicApi, SourcesInEitherChannelOrderGiveTheSameBytes)
{
    cv::Mat a(24, 36, CV_8UC3);
    cv::Mat b(24, 36, CV_8UC3);
    cv::randu(a, 0, 256);
    cv::randu(b, 0, 256);
    cv::Mat bgr;
    ASSERT_EQ(interlaceViews(Lens, {a, b, a}, bgr), Status::Done);
    cv::Mat ra;
    cv::Mat rb;
    cv::cvtColor(a, ra, cv::COLOR_BGR2RGB);
    cv::cvtColor(b, rb, cv::COLOR_BGR2RGB);
    EngineOptions rgb;
    rgb.sourceOrder = ChannelOrder::Rgb;
    cv::Mat fromRgb;
    ASSERT_EQ(interlaceViews(Lens, {ra, rb, ra}, fromRgb, rgb), Status::Done);
    EXPECT_EQ(cv::norm(bgr, fromRgb, cv::NORM_INF), 0);
    cv::Mat added = solid(24, 36, 0);
    ASSERT_EQ(addViews(Lens, 3, {2, 0}, {ra, ra}, added, rgb), Status::Done);
    ASSERT_EQ(addViews(Lens, 3, {1}, {rb}, added, rgb), Status::Done);
    EXPECT_EQ(cv::norm(bgr, added, cv::NORM_INF), 0);
}

void* throwingAllocate(std::size_t)
{
    throw std::bad_alloc();
}

void* failingAllocate(std::size_t)
{
    return nullptr;
}

void neverReleased(void*, std::size_t)
{
    ADD_FAILURE() << "nothing was allocated";
}

TEST(PublicApi, MemoryThatCannotBeHadIsAStatusNeverAnException)
{
    const cv::Mat view = solid(20, 40, 255);
    for (const auto allocate : {throwingAllocate, failingAllocate}) {
        EngineOptions options;
        options.allocator = MaskAllocator{allocate, neverReleased};
        cv::Mat output = solid(20, 40, 3);
        Status fast = Status::Done;
        Status reference = Status::Done;
        Status added = Status::Done;
        EXPECT_NO_THROW(fast = interlaceTwoViews(Lens, 10, view, view, output, options));
        EXPECT_NO_THROW(reference = interlaceTwoViewsReference(Lens, 10, view, view, output, options));
        EXPECT_NO_THROW(added = addViews(Lens, 10, {0, 5}, {view, view}, output, options));
        EXPECT_NE(fast, Status::Done);
        EXPECT_NE(reference, Status::Done);
        EXPECT_NE(added, Status::Done);
        EXPECT_EQ(cv::norm(output, solid(20, 40, 3), cv::NORM_INF), 0);
    }
}

// The layout says where view 0 shows: view 0 alone is bright on its lines,
// row after row, and dark half a lens away, whatever the leaning and phase.
TEST(PublicApi, TheLineLayoutIsWhereViewZeroShows)
{
    const cv::Size size(120, 40);
    const int views = 8;
    for (const Calibration& calibration :
         {Calibration{6, 1152, 8.25, true}, Calibration{3, 17, 9.5, false, 0.4}, Calibration{3, 17, 9.5, false, 3.4}}) {
        std::vector<cv::Mat> images(views, solid(size.height, size.width, 0));
        images[0] = solid(size.height, size.width, 255);
        cv::Mat output;
        ASSERT_EQ(interlaceViews(calibration, images, output), Status::Done);
        LineLayout layout;
        ASSERT_EQ(lineLayout(calibration, size, views, layout), Status::Done);
        EXPECT_DOUBLE_EQ(layout.spacing, calibration.pitch / views);
        int checked = 0;
        for (int y = 1; y < size.height - 1; y += 7) {
            const unsigned char* bytes = output.ptr(y);
            auto subpixel = [&](int c) { return bytes[3 * (c / 3) + 2 - c % 3]; }; // red first on the panel
            for (double line = layout.firstLine + y * layout.perRow; line < 3 * size.width - 2; line += calibration.pitch) {
                const int c = static_cast<int>(std::lround(line));
                if (c < 2)
                    continue;
                const int brightest = std::max({subpixel(c - 1), subpixel(c), subpixel(c + 1)});
                EXPECT_GT(brightest, 80) << "row " << y << ", line at " << line; // at most half a column off
                const int middle = static_cast<int>(std::lround(line + calibration.pitch / 2)); // views 3 and 4
                if (middle < 3 * size.width) {
                    EXPECT_LT(subpixel(middle), 20) << "row " << y << ", between lines at " << line;
                }
                ++checked;
            }
        }
        EXPECT_GT(checked, 100);
    }
}

} // namespace

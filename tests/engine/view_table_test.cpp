// The view table: its compositions are the reference engine's bytes for
// every kind of geometry, views of another size are read as cv::resize's
// nearest pixels, and a whole phase step needs no new table.
#include "veltrane/engine/view_table.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <random>

using namespace veltrane;

namespace {

std::vector<cv::Mat> randomViews(int count, cv::Size size, unsigned seed)
{
    cv::RNG random(seed);
    std::vector<cv::Mat> views;
    for (int v = 0; v < count; ++v) {
        views.emplace_back(size, CV_8UC3);
        random.fill(views.back(), cv::RNG::UNIFORM, 0, 256);
    }
    return views;
}

cv::Mat referenceOf(const Calibration& calibration, const std::vector<cv::Mat>& views)
{
    cv::Mat reference;
    EXPECT_EQ(interlaceViewsReference(calibration, views, reference), Status::Done);
    return reference;
}

cv::Mat composedByTable(const Calibration& calibration, const std::vector<cv::Mat>& views, cv::Size size,
                        ChannelOrder order = ChannelOrder::Bgr)
{
    ViewTable table;
    EXPECT_EQ(table.compile(calibration, size, static_cast<int>(views.size())), Status::Done);
    cv::Mat output;
    EXPECT_EQ(table.compose(calibration, views, output, order), Status::Done);
    return output;
}

double differences(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() ? cv::norm(a, b, cv::NORM_L1) : -1.0;
}

// Geometries of every walk: row by row, column triples (equal extents) up and
// down, steep and shallow, fine and coarse view spacings (views whose lines
// overlap their own triples, and many views), phase fractions, both panels.
TEST(ViewTable, ComposesTheReferenceBytesForEveryKindOfGeometry)
{
    const cv::Size size(97, 61);
    const std::vector<std::pair<Calibration, int>> cases = {
        {{6, 1152, 8.25, true}, 9},
        {{6, 1152, 8.25, false, 0.35}, 9},
        {{1, 3, 8.0, false}, 12},                        // equal extents, walked from the bottom
        {{1, 3, 8.0, true, 0.5, ChannelOrder::Bgr}, 12}, // and from the top
        {{4, 5, 2.5, false}, 5},                         // a view's triples overlap its own
        {{2, 17, 40.0, true, 0.9}, 45},                  // many views, shares added directly
        {{0, 1, 6.0, false}, 7},                         // vertical lines
        {{13, 7, 5.1, true, 0.1, ChannelOrder::Bgr}, 4},
    };
    unsigned seed = 1;
    for (const auto& [calibration, views] : cases) {
        const std::vector<cv::Mat> images = randomViews(views, size, seed++);
        EXPECT_EQ(differences(composedByTable(calibration, images, size), referenceOf(calibration, images)), 0.0)
            << "-x " << calibration.x << " -y " << calibration.y << " pitch " << calibration.pitch << " views "
            << views;
    }
}

// Views of another size read through cv::resize's nearest pixels, red first
// or blue first: the bytes of the views enlarged (or shrunk) first.
TEST(ViewTable, SmallerViewsAreReadAsTheirNearestEnlargement)
{
    const Calibration calibration{6, 1152, 8.25, true, 2.3};
    const cv::Size size(131, 77);
    for (const cv::Size tile : {cv::Size(22, 13), cv::Size(131, 77), cv::Size(200, 90), cv::Size(1, 1)}) {
        const std::vector<cv::Mat> tiles = randomViews(10, tile, 7);
        std::vector<cv::Mat> enlarged(tiles.size());
        std::vector<cv::Mat> redFirst(tiles.size());
        for (std::size_t v = 0; v < tiles.size(); ++v) {
            cv::resize(tiles[v], enlarged[v], size, 0, 0, cv::INTER_NEAREST);
            cv::cvtColor(tiles[v], redFirst[v], cv::COLOR_BGR2RGB);
        }
        const cv::Mat expected = referenceOf(calibration, enlarged);
        EXPECT_EQ(differences(composedByTable(calibration, tiles, size), expected), 0.0) << tile;
        EXPECT_EQ(differences(composedByTable(calibration, redFirst, size, ChannelOrder::Rgb), expected), 0.0)
            << tile;
    }
}

// Tiles of one quilt share its row step without being continuous.
TEST(ViewTable, TilesOfAQuiltAreComposedInPlace)
{
    const Calibration calibration{6, 1152, 8.0, false};
    const cv::Mat quilt = randomViews(1, cv::Size(60, 30), 3).front();
    std::vector<cv::Mat> tiles;
    std::vector<cv::Mat> copies;
    for (int v = 0; v < 6; ++v) {
        tiles.push_back(quilt(cv::Rect(20 * (v % 3), 15 * (v / 3), 20, 15)));
        copies.push_back(tiles.back().clone());
    }
    const cv::Size size(80, 45);
    EXPECT_EQ(differences(composedByTable(calibration, tiles, size), composedByTable(calibration, copies, size)), 0.0);
}

// A whole step of the phase turns the views: the table of phase 0.4 serves
// 3.4 and -0.6, and gives the reference's bytes for each; another fraction,
// pitch, slant or panel needs a table of its own.
TEST(ViewTable, AWholePhaseStepNeedsNoNewTable)
{
    const cv::Size size(90, 40);
    const std::vector<cv::Mat> views = randomViews(8, size, 11);
    Calibration calibration{6, 1152, 8.25, true, 0.4};
    ViewTable table;
    ASSERT_EQ(table.compile(calibration, size, 8), Status::Done);
    for (const double phase : {0.4, 3.4, 7.4, -0.6, 11.4}) {
        calibration.viewPhase = phase;
        ASSERT_TRUE(table.serves(calibration, size, 8, Weighting::Lines)) << phase;
        cv::Mat output;
        ASSERT_EQ(table.compose(calibration, views, output), Status::Done);
        EXPECT_EQ(differences(output, referenceOf(calibration, views)), 0.0) << phase;
    }
    calibration.viewPhase = 0.5;
    EXPECT_FALSE(table.serves(calibration, size, 8, Weighting::Lines));
    cv::Mat untouched;
    EXPECT_EQ(table.compose(calibration, views, untouched), Status::TableMismatch);
    EXPECT_TRUE(untouched.empty());
    calibration.viewPhase = 0.4;
    std::vector<Calibration> others(4, calibration);
    others[0].pitch += 0.0001;
    others[1].x += 1;
    others[2].mirror = !others[2].mirror;
    others[3].subpixelOrder = ChannelOrder::Bgr;
    for (const Calibration& other : others)
        EXPECT_FALSE(table.serves(other, size, 8, Weighting::Lines));
    EXPECT_FALSE(table.serves(calibration, cv::Size(91, 40), 8, Weighting::Lines));
    EXPECT_FALSE(table.serves(calibration, size, 9, Weighting::Lines));
}

TEST(ViewTable, WhatItCannotComposeIsAStatus)
{
    const cv::Size size(64, 32);
    ViewTable table;
    EXPECT_EQ(table.compile(Calibration{2731, 1, 8.0, false}, cv::Size(640, 512), 8), Status::UnsupportedGeometry);
    EXPECT_EQ(table.compile(Calibration{6, 0, 8.0, false}, size, 8), Status::UnsupportedGeometry); // horizontal
    EXPECT_EQ(table.compile(Calibration{6, 1152, 8.0, false}, size, 0), Status::InvalidImage);
    EXPECT_EQ(table.compile(Calibration{6, 1152, 8.0, false}, size, 8, {}, 1000), Status::NoMaskMemory);
    // 400 views under a lens of 4 columns, lines far from vertical: a byte
    // shows hundreds of views in a row, which the engine draws but no table holds
    const Calibration spread{10, 3, 4.0, false};
    EXPECT_EQ(checkGeometry(spread, size, 400), Status::Done);
    EXPECT_EQ(table.compile(spread, size, 400), Status::UnsupportedGeometry);
    EXPECT_TRUE(table.empty());
    const Calibration calibration{6, 1152, 8.0, false};
    ASSERT_EQ(table.compile(calibration, size, 4), Status::Done);
    EXPECT_GT(table.bytes(), std::size_t{64 * 32 * 3});
    std::vector<cv::Mat> views = randomViews(4, cv::Size(10, 10), 5);
    cv::Mat output;
    EXPECT_EQ(table.compose(calibration, {views[0], views[1], views[2]}, output), Status::TableMismatch);
    EXPECT_EQ(table.compose(Calibration{6, 1152, 8.5, false}, views, output), Status::TableMismatch);
    const cv::Mat wider(10, 20, CV_8UC3, cv::Scalar::all(7));
    views[3] = wider(cv::Rect(0, 0, 10, 10)); // the right size, but rows further apart than the others'
    EXPECT_EQ(table.compose(calibration, views, output), Status::InvalidImage);
    views[3] = cv::Mat(10, 11, CV_8UC3);
    EXPECT_EQ(table.compose(calibration, views, output), Status::InvalidImage);
    views[3] = cv::Mat(10, 10, CV_8UC1);
    EXPECT_EQ(table.compose(calibration, views, output), Status::InvalidImage);
    EXPECT_TRUE(output.empty());
}

} // namespace

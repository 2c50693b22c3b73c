// The full weighting, through the public calls: its rule checked against a
// model computed here from where lineLayout says the lines lie, views that
// are all the same image composing to that image, and its three engines
// (reference, fast, view table) and the streaming additions giving the same
// bytes on random geometries.
#include "veltrane/engine/interlace.h"
#include "veltrane/engine/view_table.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

using namespace veltrane;

namespace {

constexpr unsigned Seed = 20261208;

EngineOptions fullOptions(int threads = 0, ChannelOrder order = ChannelOrder::Bgr)
{
    EngineOptions options;
    options.weighting = Weighting::Full;
    options.threads = threads;
    options.sourceOrder = order;
    return options;
}

struct Case {
    Calibration calibration;
    cv::Size size;
    int views = 0;

    std::string describe() const
    {
        std::ostringstream text;
        text << "seed " << Seed << ": " << size.width << "x" << size.height << " -x " << calibration.x << " -y "
             << calibration.y << " pitch " << calibration.pitch << (calibration.mirror ? " mirror" : "") << " phase "
             << calibration.viewPhase << (calibration.subpixelOrder == ChannelOrder::Bgr ? " bgr" : " rgb")
             << " views " << views;
        return text.str();
    }
};

Case randomCase(std::mt19937& random, int index)
{
    auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    Case c;
    c.size = {between(3, 160), between(3, 90)};
    c.calibration.y = between(1, 3 * c.size.height);
    c.calibration.x = between(0, 4) == 0 ? 0 : between(1, 300);
    if (index % 7 == 3) // equal extents: 3 x == y
        c.calibration.y = 3 * std::max(1, c.calibration.x);
    c.calibration.mirror = index % 2 == 1;
    c.calibration.pitch = real(1.0, 40.0);
    c.calibration.viewPhase = index % 3 == 0 ? real(-20.0, 20.0) : 0.0;
    c.calibration.subpixelOrder = index % 4 == 1 ? ChannelOrder::Bgr : ChannelOrder::Rgb;
    c.views = between(2, 64);
    if (index % 9 == 4)
        c.views = between(65, 4096);
    return c;
}

std::vector<cv::Mat> randomViews(std::mt19937& random, const Case& c, int count)
{
    std::vector<cv::Mat> views;
    for (int v = 0; v < count; ++v) {
        views.emplace_back(c.size, CV_8UC3);
        cv::randu(views.back(), 0, 256);
    }
    return views;
}

int differingBytes(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() != b.size() || a.type() != b.type())
        return -1;
    cv::Mat differs;
    cv::compare(a.reshape(1), b.reshape(1), differs, cv::CMP_NE);
    return cv::countNonZero(differs);
}

// The model: column c of row y lies (c - firstLine - perRow * y) / spacing
// views along (view v's lines at whole v, a turn of N views a lens); its
// byte is view floor's with weight 255 - a and the next view's with a, a the
// fraction times 255 rounded, each share source * weight / 255 rounded. A
// subpixel whose fraction lies within a hair of a rounding edge is left out
// (the engine takes phases to 2^-32 of a view); returns the bytes compared.
int expectModel(const Case& c, const std::vector<cv::Mat>& views, const cv::Mat& output)
{
    LineLayout layout;
    EXPECT_EQ(lineLayout(c.calibration, c.size, c.views, layout), Status::Done);
    const int n = c.views;
    int compared = 0;
    int wrong = 0;
    for (int y = 0; y < c.size.height; ++y)
        for (int x = 0; x < c.size.width; ++x)
            for (int k = 0; k < 3; ++k) { // output byte k, blue first
                const int column = 3 * x + (c.calibration.subpixelOrder == ChannelOrder::Bgr ? k : 2 - k);
                // View 0's content on firstLine: the phase, whole views and fraction, applied.
                const double along = (column - layout.firstLine - layout.perRow * y) / layout.spacing;
                const double whole = std::floor(along);
                const double scaled = (along - whole) * 255.0;
                if (std::fabs(scaled - std::floor(scaled) - 0.5) < 1e-4 || along - whole < 1e-6 ||
                    along - whole > 1 - 1e-6)
                    continue;
                const int a = static_cast<int>(std::lround(scaled));
                const int first = static_cast<int>(std::fmod(std::fmod(whole, n) + n, n)) % n;
                const int second = (first + 1) % n;
                const int expected = (views[first].at<cv::Vec3b>(y, x)[k] * (255 - a) + 127) / 255 +
                                     (views[second].at<cv::Vec3b>(y, x)[k] * a + 127) / 255;
                ++compared;
                if (output.at<cv::Vec3b>(y, x)[k] != expected && ++wrong <= 3)
                    ADD_FAILURE() << c.describe() << ": byte " << k << " of (" << x << ", " << y << ") is "
                                  << int(output.at<cv::Vec3b>(y, x)[k]) << ", the model says " << expected;
            }
    return compared;
}

TEST(FullWeighting, FollowsTheRuleWhereTheLinesLie)
{
    std::mt19937 random(Seed);
    for (int i = 0; i < 40; ++i) {
        Case c = randomCase(random, i);
        c.views = std::min(c.views, 40);
        const std::vector<cv::Mat> views = randomViews(random, c, c.views);
        cv::Mat output;
        ASSERT_EQ(interlaceViewsReference(c.calibration, views, output, fullOptions()), Status::Done) << c.describe();
        const int bytes = c.size.area() * 3;
        EXPECT_GT(expectModel(c, views, output), bytes * 9 / 10) << c.describe();
    }
}

// A view on its own line shows alone at full brightness, and half way
// between two lines the two share alike: the views still change across a
// lens where the lines put them.
TEST(FullWeighting, AViewShowsAloneOnItsOwnLines)
{
    const Calibration vertical{0, 1, 8.0, false}; // lines straight down, a view a column
    const cv::Size size(8, 4);
    std::vector<cv::Mat> views;
    for (int v = 0; v < 8; ++v)
        views.emplace_back(size, CV_8UC3, cv::Scalar::all(10 + 30 * v));
    cv::Mat output;
    ASSERT_EQ(interlaceViews(vertical, views, output, fullOptions()), Status::Done);
    // Subpixel column c (red first) lies on view c mod 8's line.
    for (int x = 0; x < size.width; ++x)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(output.at<cv::Vec3b>(2, x)[2 - j], 10 + 30 * ((3 * x + j) % 8)) << "column " << 3 * x + j;
    Calibration between = vertical;
    between.viewPhase = 0.5; // every line half a column further left
    ASSERT_EQ(interlaceViews(between, views, output, fullOptions()), Status::Done);
    // Column 0 now lies half way from view 0's line to view 1's.
    EXPECT_EQ(output.at<cv::Vec3b>(1, 0)[2], (10 * 128 + 127) / 255 + (40 * 127 + 127) / 255);
}

// Views that are all one image compose to exactly that image: every byte,
// in every engine, at view counts from 2 to 4096.
TEST(FullWeighting, IdenticalViewsComposeToTheImage)
{
    std::mt19937 random(Seed + 1);
    for (int i = 0; i < 60; ++i) {
        Case c = randomCase(random, i);
        if (i == 0)
            c.views = 4096;
        if (i == 1)
            c.views = 2;
        const cv::Mat image = randomViews(random, c, 1).front();
        const std::vector<cv::Mat> views(c.views, image);
        cv::Mat fast;
        ASSERT_EQ(interlaceViews(c.calibration, views, fast, fullOptions(i % 3)), Status::Done) << c.describe();
        EXPECT_EQ(differingBytes(fast, image), 0) << "fast, " << c.describe();
        ViewTable table;
        ASSERT_EQ(table.compile(c.calibration, c.size, c.views, fullOptions()), Status::Done) << c.describe();
        cv::Mat tabled;
        ASSERT_EQ(table.compose(c.calibration, views, tabled), Status::Done);
        EXPECT_EQ(differingBytes(tabled, image), 0) << "table, " << c.describe();
        if (c.views <= 64) {
            cv::Mat reference;
            ASSERT_EQ(interlaceViewsReference(c.calibration, views, reference, fullOptions()), Status::Done);
            EXPECT_EQ(differingBytes(reference, image), 0) << "reference, " << c.describe();
        }
    }
}

// The fast engine, the view table and views added a few at a time give the
// reference's bytes; so do solid colours.
TEST(FullWeighting, EveryEngineGivesTheReferenceBytes)
{
    std::mt19937 random(Seed + 2);
    for (int i = 0; i < 80; ++i) {
        Case c = randomCase(random, i);
        c.views = std::min(c.views, 300);
        const std::vector<cv::Mat> views = randomViews(random, c, c.views);
        cv::Mat reference;
        ASSERT_EQ(interlaceViewsReference(c.calibration, views, reference, fullOptions()), Status::Done)
            << c.describe();
        cv::Mat fast;
        ASSERT_EQ(interlaceViews(c.calibration, views, fast, fullOptions(1 + i % 3)), Status::Done);
        EXPECT_EQ(differingBytes(fast, reference), 0) << "fast, " << c.describe();

        ViewTable table;
        ASSERT_EQ(table.compile(c.calibration, c.size, c.views, fullOptions()), Status::Done);
        EXPECT_FALSE(table.serves(c.calibration, c.size, c.views, Weighting::Lines));
        cv::Mat tabled;
        ASSERT_EQ(table.compose(c.calibration, views, tabled), Status::Done);
        EXPECT_EQ(differingBytes(tabled, reference), 0) << "table, " << c.describe();

        // Added three at a time, in subpixel order, starting from black.
        std::vector<cv::Mat> crossed(views.size());
        for (std::size_t v = 0; v < views.size(); ++v)
            cv::cvtColor(views[v], crossed[v], cv::COLOR_BGR2RGB);
        cv::Mat added(c.size, CV_8UC3, cv::Scalar::all(0));
        for (int first = c.views - 1; first >= 0; first -= 3) {
            std::vector<int> group;
            std::vector<cv::Mat> sources;
            for (int v = first; v > first - 3 && v >= 0; --v) {
                group.push_back(v);
                sources.push_back(crossed[v]);
            }
            ASSERT_EQ(addViews(c.calibration, c.views, group, sources, added, fullOptions(0, ChannelOrder::Rgb)),
                      Status::Done);
        }
        EXPECT_EQ(differingBytes(added, reference), 0) << "added, " << c.describe();

        const cv::Scalar first(random() % 256, random() % 256, random() % 256);
        const cv::Scalar second(random() % 256, random() % 256, random() % 256);
        const int two = twoViewCount(c.calibration.pitch);
        cv::Mat colours;
        cv::Mat images;
        ASSERT_EQ(interlaceTwoColours(c.calibration, two, first, second, c.size, colours, fullOptions()),
                  Status::Done);
        ASSERT_EQ(interlaceTwoViewsReference(c.calibration, two, cv::Mat(c.size, CV_8UC3, first),
                                             cv::Mat(c.size, CV_8UC3, second), images, fullOptions()),
                  Status::Done);
        EXPECT_EQ(differingBytes(colours, images), 0) << "colours, " << c.describe();
    }
}

// The default stays the lines weighting; the full one lights the first and
// last rows and keeps flat grey flat where the lines leave it dark.
TEST(FullWeighting, LinesStayTheDefault)
{
    const Calibration lens{6, 1152, 8.0, true};
    const cv::Mat grey(96, 128, CV_8UC3, cv::Scalar::all(200));
    const std::vector<cv::Mat> views(8, grey);
    cv::Mat lines;
    cv::Mat full;
    ASSERT_EQ(interlaceViews(lens, views, lines), Status::Done);
    ASSERT_EQ(interlaceViews(lens, views, full, fullOptions()), Status::Done);
    EXPECT_EQ(cv::countNonZero(lines.row(0).reshape(1)), 0);
    EXPECT_LT(cv::mean(lines)[0], 180.0);
    EXPECT_EQ(differingBytes(full, grey), 0);
    // Views beyond what its phases and a table's entries hold are refused, never composed wrong.
    EXPECT_EQ(checkGeometry(lens, {128, 96}, MaxFullViews + 1, Weighting::Full), Status::UnsupportedGeometry);
    EXPECT_EQ(checkGeometry(lens, {128, 96}, MaxFullViews + 1), Status::Done);
    ViewTable table;
    EXPECT_EQ(table.compile(lens, {128, 96}, 1 << 30, fullOptions()), Status::UnsupportedGeometry);
    EXPECT_EQ(brightnessKept(8.0, 4096), 0.0);
    EXPECT_EQ(brightnessKept(8.0, 4096, Weighting::Full), 1.0);
}

} // namespace

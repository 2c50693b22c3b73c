// The GPU's compositions against the processor's, through a headless EGL
// context on whatever GPU the machine has (llvmpipe where it has none):
// every byte equal, for random geometries and view counts, views and
// quilts, and the context's state left as it was found.
#include "veltrane/content/quilt.h"
#include "veltrane/egl/headless_context.h"
#include "veltrane/engine/view_table.h"
#include "veltrane/gpu/gpu_compositor.h"
#include "veltrane/gpu/gpu_framebuffer.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <algorithm>
#include <numeric>
#include <random>

using namespace veltrane;

namespace {

// Every case on OpenGL 3.3 core and on OpenGL ES 3.0 (the shaders' two
// dialects, the driver's two APIs).
class Gpu : public ::testing::TestWithParam<GlApi> {
protected:
    void SetUp() override
    {
        std::string problem;
        ASSERT_TRUE(context_.open(problem, GetParam())) << problem;
        ASSERT_EQ(epoxy_is_desktop_gl(), GetParam() == GlApi::Desktop);
        ASSERT_EQ(compositor_.start(), GpuStatus::Done) << compositor_.log();
    }

    // The GPU's frame for the calibration, read back.
    cv::Mat composed(const Calibration& calibration, cv::Size size)
    {
        EXPECT_EQ(framebuffer_.make(size), GpuStatus::Done);
        GpuTarget target;
        target.topRowFirst = true;
        EXPECT_EQ(compositor_.compose(calibration, target), GpuStatus::Done);
        cv::Mat frame;
        EXPECT_EQ(framebuffer_.read(frame), GpuStatus::Done);
        return frame;
    }

    HeadlessContext context_;
    GpuCompositor compositor_;
    GpuFramebuffer framebuffer_;
};

std::vector<cv::Mat> randomViews(int count, cv::Size size, cv::RNG& random)
{
    std::vector<cv::Mat> views;
    for (int v = 0; v < count; ++v) {
        views.emplace_back(size, CV_8UC3);
        random.fill(views.back(), cv::RNG::UNIFORM, 0, 256);
    }
    return views;
}

struct Case {
    Calibration calibration;
    cv::Size size;
    int views = 0;
    Weighting weighting = Weighting::Lines;
};

// Slants steep and shallow, both leanings, fine and coarse spacings, both
// panels, any phase, both weightings, small outputs of odd sizes.
Case randomCase(std::mt19937& random)
{
    auto between = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    Case c;
    c.calibration.y = between(0, 3) == 0 ? between(1, 12) : between(100, 1200);
    c.calibration.x = between(0, std::max(1, c.calibration.y / 2));
    c.calibration.pitch = std::uniform_real_distribution<double>(1.5, 40.0)(random);
    c.calibration.mirror = between(0, 1) == 1;
    c.calibration.viewPhase = std::uniform_real_distribution<double>(-50.0, 50.0)(random);
    c.calibration.subpixelOrder = between(0, 1) == 1 ? ChannelOrder::Bgr : ChannelOrder::Rgb;
    c.size = cv::Size(between(8, 160), between(3, 90));
    c.views = between(0, 9) == 0 ? between(100, 600) : between(2, 64);
    c.weighting = between(0, 2) == 0 ? Weighting::Full : Weighting::Lines;
    return c;
}

std::string describe(const Case& c)
{
    return "-x " + std::to_string(c.calibration.x) + " -y " + std::to_string(c.calibration.y) + " -pitch " +
           std::to_string(c.calibration.pitch) + (c.calibration.mirror ? " -mirror" : "") + " phase " +
           std::to_string(c.calibration.viewPhase) + (c.calibration.subpixelOrder == ChannelOrder::Bgr ? " bgr" : "") +
           " " + std::to_string(c.size.width) + "x" + std::to_string(c.size.height) + ", " + std::to_string(c.views) +
           " views" + (c.weighting == Weighting::Full ? ", full" : "");
}

int differingBytes(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() != b.size() || a.type() != b.type())
        return -1;
    cv::Mat apart;
    cv::compare(a, b, apart, cv::CMP_NE);
    return cv::countNonZero(apart.reshape(1));
}

// The processor's frame, by the engine's reference path for views of the
// output's size (the table equals it, and is checked to).
cv::Mat onTheProcessor(const Case& c, const std::vector<cv::Mat>& views, ChannelOrder order)
{
    ViewTable table;
    EngineOptions options;
    options.weighting = c.weighting;
    EXPECT_EQ(table.compile(c.calibration, c.size, c.views, options), Status::Done);
    cv::Mat frame;
    EXPECT_EQ(table.compose(c.calibration, views, frame, order), Status::Done);
    return frame;
}

} // namespace

// Views of the output's size, of smaller and larger sizes, blue or red
// first: a hundred geometries the view table serves, every byte the
// processor's; and the views of the output's size also the reference
// engine's (interlaceViews).
TEST_P(Gpu, ViewsComposeToTheProcessorsBytes)
{
    std::mt19937 random(20261209);
    cv::RNG pixels(7);
    int composedCases = 0;
    int referenceCases = 0;
    for (int attempt = 0; composedCases < 100 && attempt < 400; ++attempt) {
        const Case c = randomCase(random);
        EngineOptions options;
        options.weighting = c.weighting;
        GpuTable table;
        const GpuStatus compiled = compileGpuTable(c.calibration, c.size, c.views, options, table);
        if (compiled == GpuStatus::UnsupportedGeometry)
            continue; // what the engine's table does not serve, the GPU does not either
        ASSERT_EQ(compiled, GpuStatus::Done) << describe(c);
        ASSERT_EQ(compositor_.useTable(table), GpuStatus::Done);
        const int kind = composedCases % 3;
        const cv::Size viewSize = kind == 0 ? c.size : kind == 1 ? cv::Size(c.size.width / 2 + 1, c.size.height / 3 + 1)
                                                                 : cv::Size(c.size.width * 2 + 3, c.size.height + 5);
        const ChannelOrder order = composedCases % 2 == 0 ? ChannelOrder::Bgr : ChannelOrder::Rgb;
        const std::vector<cv::Mat> views = randomViews(c.views, viewSize, pixels);
        ASSERT_EQ(compositor_.setViews(views, order), GpuStatus::Done);
        const cv::Mat expected = onTheProcessor(c, views, order);
        EXPECT_EQ(differingBytes(composed(c.calibration, c.size), expected), 0) << describe(c);
        if (kind == 0 && order == ChannelOrder::Bgr) {
            cv::Mat reference;
            EXPECT_EQ(interlaceViews(c.calibration, views, reference, options), Status::Done);
            EXPECT_EQ(differingBytes(reference, expected), 0) << describe(c);
            ++referenceCases;
        }
        ++composedCases;
    }
    EXPECT_EQ(composedCases, 100);
    EXPECT_GE(referenceCases, 10);
}

// Quilts with their tiles read to the nearest pixel, both tile orders, the
// views reversed and offset: veltrane-interlace's bytes for the quilt.
TEST_P(Gpu, QuiltsComposeToTheInterlacersBytes)
{
    std::mt19937 random(9);
    cv::RNG pixels(11);
    int composedCases = 0;
    for (int attempt = 0; composedCases < 40 && attempt < 200; ++attempt) {
        Case c = randomCase(random);
        const int columns = 1 + static_cast<int>(random() % 9);
        const int rows = 1 + static_cast<int>(random() % 7);
        c.views = columns * rows;
        EngineOptions options;
        options.weighting = c.weighting;
        GpuTable table;
        if (compileGpuTable(c.calibration, c.size, c.views, options, table) != GpuStatus::Done)
            continue;
        ASSERT_EQ(compositor_.useTable(table), GpuStatus::Done);
        const cv::Size tile(3 + static_cast<int>(random() % 60), 2 + static_cast<int>(random() % 40));
        cv::Mat quilt(tile.height * rows, tile.width * columns, CV_8UC3);
        pixels.fill(quilt, cv::RNG::UNIFORM, 0, 256);
        const bool topLeft = composedCases % 2 == 1;
        std::vector<int> viewOf(c.views);
        std::iota(viewOf.begin(), viewOf.end(), 0);
        const int offset = static_cast<int>(random() % c.views);
        for (int& v : viewOf)
            v = composedCases % 3 == 0 ? c.views - 1 - v : (v + offset) % c.views;
        ASSERT_EQ(compositor_.setQuilt(quilt, columns, rows, topLeft, viewOf), GpuStatus::Done);
        cv::Mat expected(c.size, CV_8UC3, cv::Scalar::all(0));
        ASSERT_EQ(addQuiltTiles(quilt, columns, rows, topLeft, c.calibration, viewOf, expected, true, c.weighting),
                  Status::Done);
        EXPECT_EQ(differingBytes(composed(c.calibration, c.size), expected), 0)
            << describe(c) << ", quilt " << columns << "x" << rows << (topLeft ? " top left" : "");
        ++composedCases;
    }
    EXPECT_EQ(composedCases, 40);
}

// A whole step of the phase turns the views: no new table, the processor's
// bytes for every step; more views than the GPU has layers share layers.
TEST_P(Gpu, PhaseStepsAndManyViewsNeedNothingNew)
{
    cv::RNG pixels(3);
    Calibration calibration{2, 17, 40.0, true, 0.9};
    const Case c{calibration, cv::Size(64, 24), 45, Weighting::Lines};
    ASSERT_EQ(compositor_.compile(calibration, c.size, c.views), GpuStatus::Done);
    const std::vector<cv::Mat> views = randomViews(c.views, c.size, pixels);
    ASSERT_EQ(compositor_.setViews(views), GpuStatus::Done);
    for (const double phase : {0.9, 1.9, 44.9, -3.1}) {
        Case turned = c;
        turned.calibration.viewPhase = phase;
        EXPECT_EQ(differingBytes(composed(turned.calibration, c.size), onTheProcessor(turned, views, ChannelOrder::Bgr)),
                  0)
            << "phase " << phase;
    }
    GLint layers = 0;
    glGetIntegerv(GL_MAX_ARRAY_TEXTURE_LAYERS, &layers);
    const Case many{{1, 3, 24.0, false, 0.25}, cv::Size(40, 12), static_cast<int>(layers) + 37, Weighting::Lines};
    ASSERT_EQ(compositor_.compile(many.calibration, many.size, many.views), GpuStatus::Done);
    const std::vector<cv::Mat> manyViews = randomViews(many.views, cv::Size(5, 4), pixels);
    ASSERT_EQ(compositor_.setViews(manyViews), GpuStatus::Done);
    EXPECT_EQ(differingBytes(composed(many.calibration, many.size), onTheProcessor(many, manyViews, ChannelOrder::Bgr)),
              0);
}

// A table of more weights than one layer of the weight texture holds
// (2048 x 2048 texels of four): the later layers read where they should.
TEST_P(Gpu, WeightsBeyondOneLayer)
{
    cv::RNG pixels(13);
    const Case c{{1, 3, 40.0, false, 0.3}, cv::Size(1200, 700), 240, Weighting::Lines};
    GpuTable table;
    ASSERT_EQ(compileGpuTable(c.calibration, c.size, c.views, {}, table), GpuStatus::Done);
    ASSERT_GE(table.weightLayers, 2) << "the case no longer reaches a second layer";
    ASSERT_EQ(compositor_.useTable(table), GpuStatus::Done);
    const std::vector<cv::Mat> views = randomViews(c.views, cv::Size(30, 20), pixels);
    ASSERT_EQ(compositor_.setViews(views), GpuStatus::Done);
    EXPECT_EQ(differingBytes(composed(c.calibration, c.size), onTheProcessor(c, views, ChannelOrder::Bgr)), 0);
}

// A video's quilts, one after another at one size (the texture kept, the
// pixels staged through the two upload buffers in turn): each frame its own
// bytes, none of the one before.
TEST_P(Gpu, AVideosQuiltsEachComposeTheirOwnFrame)
{
    cv::RNG pixels(23);
    const Case c{{4, 5, 2.5, false, 0.6}, cv::Size(90, 50), 8, Weighting::Lines};
    ASSERT_EQ(compositor_.compile(c.calibration, c.size, c.views), GpuStatus::Done);
    std::vector<int> viewOf(8);
    std::iota(viewOf.begin(), viewOf.end(), 0);
    cv::Mat last;
    for (int frame = 0; frame < 3; ++frame) {
        cv::Mat quilt(2 * 25, 4 * 45, CV_8UC3);
        pixels.fill(quilt, cv::RNG::UNIFORM, 0, 256);
        ASSERT_EQ(compositor_.setQuilt(quilt, 4, 2, false, viewOf), GpuStatus::Done);
        cv::Mat expected(c.size, CV_8UC3, cv::Scalar::all(0));
        ASSERT_EQ(addQuiltTiles(quilt, 4, 2, false, c.calibration, viewOf, expected, true, c.weighting), Status::Done);
        const cv::Mat shown = composed(c.calibration, c.size);
        EXPECT_EQ(differingBytes(shown, expected), 0) << "frame " << frame;
        EXPECT_NE(differingBytes(shown, last), 0) << "frame " << frame << " shows the frame before";
        last = shown;
    }
    for (int frame = 0; frame < 3; ++frame) { // and views, into the texture of the frame before
        const std::vector<cv::Mat> views = randomViews(8, cv::Size(30, 20), pixels);
        ASSERT_EQ(compositor_.setViews(views), GpuStatus::Done);
        EXPECT_EQ(differingBytes(composed(c.calibration, c.size), onTheProcessor(c, views, ChannelOrder::Bgr)), 0)
            << "views, frame " << frame;
    }
}

// A quilt the caller drew into a texture of its own (normalised RGBA, row 0
// the quilt's bottom as GL draws it), read where it lies: the bytes of the
// same quilt given as an image, both tile orders.
TEST_P(Gpu, AQuiltTextureOfTheCallersIsReadWhereItLies)
{
    cv::RNG pixels(17);
    const Case c{{6, 1152, 8.25, true, 0.35}, cv::Size(120, 70), 12, Weighting::Full};
    EngineOptions full;
    full.weighting = Weighting::Full;
    ASSERT_EQ(compositor_.compile(c.calibration, c.size, c.views, full), GpuStatus::Done);
    cv::Mat quilt(3 * 20, 4 * 30, CV_8UC3);
    pixels.fill(quilt, cv::RNG::UNIFORM, 0, 256);
    cv::Mat rgba;
    cv::cvtColor(quilt, rgba, cv::COLOR_RGB2RGBA);
    cv::flip(rgba, rgba, 0); // as GL holds a picture it drew: bottom row first
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rgba.cols, rgba.rows, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data);
    std::vector<int> viewOf(12);
    std::iota(viewOf.begin(), viewOf.end(), 0);
    std::reverse(viewOf.begin(), viewOf.end());
    for (const bool topLeft : {false, true}) {
        ASSERT_EQ(compositor_.useQuiltTexture(texture, quilt.size(), 4, 3, topLeft, viewOf), GpuStatus::Done);
        const cv::Mat fromTexture = composed(c.calibration, c.size);
        ASSERT_EQ(compositor_.setQuilt(quilt, 4, 3, topLeft, viewOf), GpuStatus::Done);
        EXPECT_EQ(differingBytes(fromTexture, composed(c.calibration, c.size)), 0) << (topLeft ? "top left" : "");
        cv::Mat expected(c.size, CV_8UC3, cv::Scalar::all(0));
        ASSERT_EQ(addQuiltTiles(quilt, 4, 3, topLeft, c.calibration, viewOf, expected, true, Weighting::Full),
                  Status::Done);
        EXPECT_EQ(differingBytes(fromTexture, expected), 0);
    }
    EXPECT_EQ(compositor_.useQuiltTexture(texture, cv::Size(121, 60), 4, 3, false, viewOf), GpuStatus::InvalidInput);
    EXPECT_EQ(compositor_.useQuiltTexture(0, quilt.size(), 4, 3, false, viewOf), GpuStatus::InvalidInput);
    glDeleteTextures(1, &texture);
}

// Composed into a part of a larger framebuffer, as a program composes into
// its own: the rest stays as it was, and so does the state it had set.
TEST_P(Gpu, OnlyItsRectangleAndNoStateChange)
{
    cv::RNG pixels(5);
    const Case c{{6, 1152, 8.25, true, 0.35}, cv::Size(50, 30), 9, Weighting::Lines};
    ASSERT_EQ(compositor_.compile(c.calibration, c.size, c.views), GpuStatus::Done);
    const std::vector<cv::Mat> views = randomViews(c.views, c.size, pixels);
    ASSERT_EQ(compositor_.setViews(views), GpuStatus::Done);
    ASSERT_EQ(framebuffer_.make(cv::Size(90, 70)), GpuStatus::Done);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glViewport(1, 2, 3, 4);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, texture);
    GpuTarget target;
    target.origin = cv::Point(17, 9);
    target.topRowFirst = true;
    ASSERT_EQ(compositor_.compose(c.calibration, target), GpuStatus::Done);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 3);
    GLint active = 0;
    GLint bound = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(active, GL_TEXTURE3);
    EXPECT_EQ(static_cast<GLuint>(bound), texture);
    cv::Mat frame;
    ASSERT_EQ(framebuffer_.read(frame), GpuStatus::Done);
    EXPECT_EQ(differingBytes(frame(cv::Rect(target.origin, c.size)), onTheProcessor(c, views, ChannelOrder::Bgr)), 0)
        << "blending was on, and must not have been used";
    cv::Mat outside = frame.clone();
    outside(cv::Rect(target.origin, c.size)).setTo(cv::Scalar(0, 255, 0));
    EXPECT_EQ(cv::countNonZero(outside.reshape(1) != cv::Mat(outside.size(), CV_8UC3, cv::Scalar(0, 255, 0)).reshape(1)), 0);
    glDeleteTextures(1, &texture);
}

// What cannot be composed is a status, never a frame of other numbers.
TEST_P(Gpu, WhatCannotBeComposedIsAStatus)
{
    const Calibration calibration{6, 1152, 8.25, true};
    EXPECT_EQ(compositor_.compose(calibration), GpuStatus::NotReady);
    ASSERT_EQ(compositor_.compile(calibration, cv::Size(40, 20), 8), GpuStatus::Done);
    EXPECT_EQ(compositor_.compose(calibration), GpuStatus::NotReady); // no views yet
    cv::RNG pixels(1);
    std::vector<cv::Mat> views = randomViews(8, cv::Size(40, 20), pixels);
    ASSERT_EQ(compositor_.setViews(views), GpuStatus::Done);
    Calibration other = calibration;
    other.pitch = 8.5;
    EXPECT_EQ(compositor_.compose(other), GpuStatus::TableMismatch);
    other = calibration;
    other.viewPhase = 0.5; // another fraction: another table
    EXPECT_EQ(compositor_.compose(other), GpuStatus::TableMismatch);
    EXPECT_EQ(compositor_.setViews(randomViews(7, cv::Size(40, 20), pixels)), GpuStatus::Done);
    EXPECT_EQ(compositor_.compose(calibration), GpuStatus::TableMismatch); // 7 views for a table of 8
    views[3] = cv::Mat(cv::Size(40, 21), CV_8UC3);
    EXPECT_EQ(compositor_.setViews(views), GpuStatus::InvalidInput);
    EXPECT_EQ(compositor_.setViews({cv::Mat(20, 20, CV_8UC1)}), GpuStatus::InvalidInput);
    EXPECT_EQ(compositor_.setQuilt(cv::Mat(21, 20, CV_8UC3), 2, 2, false, {0, 1, 2, 3}), GpuStatus::InvalidInput);
    EXPECT_EQ(compositor_.setQuilt(cv::Mat(20, 20, CV_8UC3), 2, 2, false, {0, 1, 2, 4}), GpuStatus::InvalidInput);
    EXPECT_EQ(compositor_.compile({0, 1, 8.0, false}, cv::Size(0, 10), 8), GpuStatus::InvalidInput);
    EXPECT_EQ(compositor_.compile({1, 0, 8.0, false}, cv::Size(10, 10), 8), GpuStatus::UnsupportedGeometry);
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    EXPECT_EQ(compositor_.prepareViews(2, cv::Size(side + 1, 1)), GpuStatus::TooLargeForGpu);
    EXPECT_EQ(framebuffer_.make(cv::Size(side * 2, 1)), GpuStatus::TooLargeForGpu);
}

INSTANTIATE_TEST_SUITE_P(Api, Gpu, ::testing::Values(GlApi::Desktop, GlApi::Es),
                         [](const ::testing::TestParamInfo<GlApi>& info) {
                             return info.param == GlApi::Desktop ? "OpenGL33" : "OpenGLES30";
                         });

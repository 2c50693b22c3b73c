// veltrane-interlace: its options, patterns and quilts, and whole runs on
// files written here, each output compared byte for byte with the reference
// engine's composition of the same views.
#include "veltrane/engine/interlace.h"
#include "veltrane/interlacer/frame_pipeline.h"
#include "veltrane/interlacer/interlace_options.h"
#include "veltrane/interlacer/output_writer.h"
#include "veltrane/content/quilt.h"
#include "veltrane/content/view_pattern.h"
#include "support/jpeg_video.h"
#include "support/video_header.h"
#include "support/view_folder.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

const char* const Line = "param: -x     6 -y  1152 -pitch   8.0000 -mirror\r";

Parse parse(std::vector<const char*> arguments, InterlaceOptions& options, std::string& text)
{
    arguments.insert(arguments.begin(), "veltrane-interlace");
    return parseInterlaceOptions(static_cast<int>(arguments.size()), arguments.data(), options, text);
}

// A record's reverse is kept unless the command line says otherwise, either way.
TEST(InterlaceOptions, ARecordsReverseCanBeUndone)
{
    ViewFolder folder;
    {
        std::ofstream("reversed.yml") << "x: 6\ny: 1152\npitch: 8.25\nmirror: 1\nwidth: 64\nheight: 48\nreverse: 1\n";
    }
    for (const auto& [given, reversed] : {std::pair<const char*, bool>{"--reverse", true}, {"--no-reverse", false},
                                          {"--force", true}}) {
        InterlaceOptions options;
        std::string text;
        ASSERT_EQ(parse({"--calibration=reversed.yml", given, "-o", "a.png"}, options, text), Parse::Run) << text;
        EXPECT_EQ(options.reverse, reversed) << given;
    }
    InterlaceOptions options;
    std::string text;
    EXPECT_EQ(parse({"--calibration=reversed.yml", "--reverse", "--no-reverse", "-o", "a.png"}, options, text),
              Parse::Invalid);
    EXPECT_NE(text.find("opposite"), std::string::npos) << text;
}

TEST(InterlaceOptions, BothFormsOfAnOptionAndTheCalibrationLine)
{
    InterlaceOptions options;
    std::string text;
    ASSERT_EQ(parse({"--param", Line, "--size=800x600", "--view-offset", "-2", "--reverse", "-o", "a.png"}, options,
                    text),
              Parse::Run)
        << text;
    EXPECT_EQ(options.calibration.x, 6);
    EXPECT_EQ(options.calibration.y, 1152);
    EXPECT_TRUE(options.calibration.mirror);
    EXPECT_EQ(options.width, 800);
    EXPECT_EQ(options.height, 600);
    EXPECT_EQ(options.viewOffset, -2);
    EXPECT_TRUE(options.reverse);
    EXPECT_EQ(options.viewsPattern, "pic/blender_{frame:05}_{view}.jpg");
    options = InterlaceOptions();
    ASSERT_EQ(parse({"--param=-x 4 -y 10 -pitch 6.5", "--quilt", "q.png", "--tiles=8x6", "--quilt-origin=top-left",
                     "--output=b.mkv"},
                    options, text),
              Parse::Run)
        << text;
    EXPECT_EQ(options.tileColumns, 8);
    EXPECT_EQ(options.tileRows, 6);
    EXPECT_TRUE(options.quiltTopLeft);
    EXPECT_FALSE(options.nearestTiles); // smooth unless asked
    ASSERT_EQ(parse({"--param", Line, "--quilt=q.png", "--tile-sampling", "nearest", "-o", "a.png"}, options, text),
              Parse::Run)
        << text;
    EXPECT_TRUE(options.nearestTiles);
    EXPECT_EQ(parse({"--help"}, options, text), Parse::Help);
    EXPECT_NE(text.find("--quilt"), std::string::npos);
}

TEST(InterlaceOptions, UsageErrorsInOneLine)
{
    for (const auto& arguments : std::vector<std::vector<const char*>>{
             {"-o", "a.png"},                                   // no calibration
             {"--param", Line},                                 // no output
             {"--param=-x 6 -y 1152", "-o", "a.png"},           // a malformed line
             {"--param", Line, "--calibration=c.yml", "-o", "a.png"},
             {"--param", Line, "--views=v_{view}.png", "--quilt=q.png", "-o", "a.png"},
             {"--param", Line, "--tiles=8", "-o", "a.png"},
             {"--param", Line, "--size=0x600", "-o", "a.png"},
             {"--param", Line, "--size=20000x600", "-o", "a.png"},
             {"--param", Line, "--frames=9-3", "-o", "a.png"},
             {"--param", Line, "--quilt-origin=middle", "-o", "a.png"},
             {"--param", Line, "--quilt=q.png", "--tile-sampling=cubic", "-o", "a.png"},
             {"--param", Line, "--bogus", "-o", "a.png"},
             {"--param", Line, "-o=a.png"},                     // the value would be "=a.png"
             {"--param", Line, "--fps=nan", "-o", "a.mkv"},
             {"--param", Line, "--views=v.png", "-o", "a.png"}, // no {view}
             {"--param", Line, "--views=v_{view}.png", "--frames=1-2", "-o", "a.png"}, // nothing to choose from
             {"--param", Line, "--quilt=q_qs8x6.png", "--frames=1-2", "-o", "a.png"},
             {"--calibration=/no/such/record.yml", "-o", "a.png"}}) {
        InterlaceOptions options;
        std::string text;
        EXPECT_EQ(parse(arguments, options, text), Parse::Invalid) << arguments[0];
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    }
}

TEST(ViewPattern, FieldsAndTheirPadding)
{
    EXPECT_EQ(expandPattern("pic/blender_{frame:05}_{view}.jpg", 12, 3), "pic/blender_00012_3.jpg");
    EXPECT_EQ(expandPattern("v{view}_f{frame}.png", 7, 11), "v11_f7.png");
    PatternFields fields;
    std::string message;
    EXPECT_TRUE(readViewsPattern("a_{view}.png", fields, message));
    EXPECT_FALSE(fields.frame);
    EXPECT_TRUE(readPatternFields("out_{frame:04}.png", fields, message));
    EXPECT_TRUE(fields.frame && !fields.view);
    for (const char* bad : {"a.png", "a_{views}.png", "a_{view}_{frame:5}.png", "a_{view}_{frame.png", "{fps}{view}",
                            "{view}_{frame:}.png", "{view}}.png", "{view:02}.png", "{view}{}.png"})
        EXPECT_FALSE(readViewsPattern(bad, fields, message)) << bad;
}

TEST(Quilt, TilesByNameAndOrigin)
{
    int columns = 0;
    int rows = 0;
    ASSERT_TRUE(tilesFromName("renders/scene_qs8x6a0.75.png", columns, rows));
    EXPECT_EQ(columns, 8);
    EXPECT_EQ(rows, 6);
    EXPECT_FALSE(tilesFromName("qs8x6_folder/scene.png", columns, rows));
    cv::Mat quilt(4, 6, CV_8UC3); // 3 x 2 tiles of 2 x 2
    for (int v = 0; v < 6; ++v) // view v's tile filled with v, view 0 at the bottom left
        quilt(cv::Rect(2 * (v % 3), v < 3 ? 2 : 0, 2, 2)).setTo(cv::Scalar::all(v));
    for (int v = 0; v < 6; ++v) {
        EXPECT_EQ(quiltTile(quilt, 3, 2, v, false).at<cv::Vec3b>(0, 0)[0], v);
        EXPECT_EQ(quiltTile(quilt, 3, 2, v, true).at<cv::Vec3b>(0, 0)[0], (v + 3) % 6);
    }
}

// Runs in a folder of its own: view files written, the interlacer run, and
// its outputs compared with the reference engine's composition.
class Interlacing : public ::testing::Test {
protected:
    std::vector<cv::Mat> writeViews(const std::string& pattern, int frame, int views, cv::Size size, unsigned seed)
    {
        std::mt19937 random(seed);
        std::vector<cv::Mat> images;
        for (int v = 0; v < views; ++v) {
            cv::Mat image(size, CV_8UC3);
            cv::randu(image, 0, 256);
            if (random() % 2)
                cv::GaussianBlur(image, image, {5, 5}, 2);
            EXPECT_TRUE(cv::imwrite(expandPattern(pattern, frame, v), image));
            images.push_back(image);
        }
        return images;
    }

    static cv::Mat reference(const InterlaceOptions& options, const std::vector<cv::Mat>& views, cv::Size size)
    {
        const int n = static_cast<int>(views.size());
        std::vector<cv::Mat> sized(n);
        for (int v = 0; v < n; ++v) {
            const int ordered = options.reverse ? n - 1 - v : v;
            const int source = ((ordered + options.viewOffset) % n + n) % n;
            if (views[source].size() == size)
                sized[v] = views[source];
            else
                cv::resize(views[source], sized[v], size, 0, 0,
                           size.width <= views[source].cols && size.height <= views[source].rows ? cv::INTER_AREA
                                                                                                   : cv::INTER_LINEAR);
        }
        cv::Mat out;
        veltrane::EngineOptions engine;
        engine.weighting = options.weighting;
        EXPECT_EQ(interlaceViewsReference(options.calibration, sized, out, engine), veltrane::Status::Done);
        return out;
    }

    static void expectSameImage(const cv::Mat& a, const cv::Mat& b, const std::string& what)
    {
        ASSERT_EQ(a.size(), b.size()) << what;
        EXPECT_EQ(cv::norm(a, b, cv::NORM_INF), 0) << what;
    }

    // How the run ended; its line in message.
    Outcome::Kind run(InterlaceOptions& options)
    {
        const Outcome outcome = runInterlace(options, nullptr, false);
        message = outcome.message;
        return outcome.kind;
    }

    // Files in the folder apart from the views: what a run left behind.
    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            if (entry.is_regular_file() && entry.path().extension() != ".png" && entry.path().extension() != ".jpg")
                names.push_back(entry.path().filename().string());
            else if (entry.path().filename().string().find(".tmp") != std::string::npos)
                names.push_back(entry.path().filename().string());
        return names;
    }

    ViewFolder folder;
    std::string message;
};

TEST_F(Interlacing, RandomViewSetsEqualTheReference)
{
    std::mt19937 random(20261207);
    for (int i = 0; i < 12; ++i) {
        auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        const cv::Size size(between(8, 90), between(4, 60));
        const int views = between(2, 12);
        const std::string pattern = "v" + std::to_string(i) + "_{view}.png";
        const std::vector<cv::Mat> images = writeViews(pattern, 0, views, size, random());
        InterlaceOptions options;
        options.calibration = {between(0, 300), between(1, 900), between(20, 3000) / 100.0, i % 2 == 1};
        options.calibration.viewPhase = between(-300, 300) / 100.0;
        options.calibration.subpixelOrder = i % 3 == 2 ? ChannelOrder::Bgr : ChannelOrder::Rgb;
        options.viewsPattern = pattern;
        options.reverse = i % 3 == 1;
        options.viewOffset = between(-20, 20);
        options.weighting = i % 2 == 0 ? Weighting::Full : Weighting::Lines;
        cv::Size out = size;
        if (i % 4 == 3) { // resized, smaller or larger
            out = cv::Size(between(8, 120), between(4, 80));
            options.width = out.width;
            options.height = out.height;
        }
        options.output = "out" + std::to_string(i) + ".png";
        ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
        expectSameImage(cv::imread(options.output), reference(options, images, out), "case " + std::to_string(i));
    }
}

TEST_F(Interlacing, AnAnimationAsPngsAndAsLosslessVideo)
{
    std::vector<std::vector<cv::Mat>> frames;
    for (int f = 3; f <= 5; ++f) // frames 3 to 5: the first existing frame is found
        frames.push_back(writeViews("a_{frame:05}_{view}.png", f, 5, {64, 40}, f));
    InterlaceOptions options;
    options.calibration = {40, 1152, 8.25, false};
    options.viewsPattern = "a_{frame:05}_{view}.png";
    options.output = "out_{frame:03}.png";
    ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
    options.output = "out.mkv";
    ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
    cv::VideoCapture video("out.mkv");
    for (int f = 0; f < 3; ++f) {
        const cv::Mat expected = reference(options, frames[f], {64, 40});
        expectSameImage(cv::imread("out_00" + std::to_string(f + 3) + ".png"), expected, "PNG frame " + std::to_string(f));
        cv::Mat decoded;
        ASSERT_TRUE(video.read(decoded));
        expectSameImage(decoded, expected, "video frame " + std::to_string(f)); // FFV1: no chroma subsampling
    }
    cv::Mat extra;
    EXPECT_FALSE(video.read(extra));
    options.framesGiven = true;
    options.firstFrame = 4;
    options.lastFrame = 4;
    options.output = "one.png";
    ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
    expectSameImage(cv::imread("one.png"), reference(options, frames[1], {64, 40}), "frames 4-4");
    EXPECT_TRUE(leftovers() == std::vector<std::string>{"out.mkv"});
}

TEST_F(Interlacing, AQuiltIsItsTilesAsViews)
{
    const std::vector<cv::Mat> views = writeViews("t_{view}.png", 0, 6, {30, 20}, 7);
    cv::Mat quilt(40, 90, CV_8UC3);
    for (int v = 0; v < 6; ++v) // 3 x 2 tiles, view 0 at the bottom left
        views[v].copyTo(quilt(cv::Rect(30 * (v % 3), v < 3 ? 20 : 0, 30, 20)));
    cv::imwrite("scene_qs3x2.png", quilt);
    InterlaceOptions options;
    options.calibration = {64, 1152, 6.5, true};
    options.quilt = "scene_qs3x2.png";
    options.width = 60; // the panel: tiles enlarged
    options.height = 40;
    options.output = "quilt.png";
    ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
    expectSameImage(cv::imread("quilt.png"), reference(options, views, {60, 40}), "quilt");

    cv::VideoWriter video("quilt_qs3x2.mkv", cv::VideoWriter::fourcc('F', 'F', 'V', '1'), 10, quilt.size());
    for (int f = 0; f < 2; ++f)
        video.write(quilt);
    video.release();
    options.quilt = "quilt_qs3x2.mkv";
    options.output = "quilt_{frame}.png";
    ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
    expectSameImage(cv::imread("quilt_1.png"), reference(options, views, {60, 40}), "video quilt");
}

// Video keeps every pixel at any size, odd ones too, and two runs of the
// same frames write the same bytes, in either container.
TEST_F(Interlacing, VideoOfAnOddSizeIsExactAndTheSameEveryRun)
{
    std::vector<std::vector<cv::Mat>> frames;
    for (int f = 0; f < 3; ++f)
        frames.push_back(writeViews("o_{frame}_{view}.png", f, 4, {33, 17}, 40 + f));
    InterlaceOptions options;
    options.calibration = {6, 1152, 7.5, true};
    options.viewsPattern = "o_{frame}_{view}.png";
    for (const std::string container : {".mkv", ".avi"}) {
        options.output = "first" + container;
        ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
        options.output = "second" + container;
        ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
        std::ifstream first("first" + container, std::ios::binary);
        std::ifstream second("second" + container, std::ios::binary);
        EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(first), {}, std::istreambuf_iterator<char>(second)))
            << container << " differs between runs";
        cv::VideoCapture video("first" + container, cv::CAP_FFMPEG);
        for (int f = 0; f < 3; ++f) {
            cv::Mat decoded;
            ASSERT_TRUE(video.read(decoded)) << container;
            expectSameImage(decoded, reference(options, frames[f], {33, 17}), container + " frame " + std::to_string(f));
        }
    }
}

// Frame numbers run on as far as the files go (past 99999), and a view
// offset of any size picks the view it names.
TEST_F(Interlacing, LargeFrameNumbersAndOffsets)
{
    std::vector<std::vector<cv::Mat>> frames;
    for (const int f : {99999, 100000, 100001})
        frames.push_back(writeViews("n_{frame}_{view}.png", f, 5, {20, 10}, f));
    ViewSequenceFiles files;
    ASSERT_TRUE(findViewFiles("n_{frame}_{view}.png", false, 0, 0, files, message)) << message;
    EXPECT_EQ(files.frames, (std::vector<int>{99999, 100000, 100001}));
    InterlaceOptions options;
    options.calibration = {6, 1152, 8.0, false};
    options.viewsPattern = "n_{frame}_{view}.png";
    options.output = "n_{frame}.png";
    options.viewOffset = 2147483647; // 2 mod 5
    ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
    options.viewOffset = 2;
    expectSameImage(cv::imread("n_100001.png"), reference(options, frames[2], {20, 10}), "offset 2^31 - 1");
    options.viewOffset = -2147483647 - 1; // 2 mod 5 as well
    options.output = "m_{frame}.png";
    ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
    expectSameImage(cv::imread("m_99999.png"), cv::imread("n_99999.png"), "offset -2^31");
}

// A quilt video is read to its end: a header that counts fewer frames than
// the video holds loses none of them.
TEST_F(Interlacing, AQuiltVideoIsReadToItsEnd)
{
    const std::vector<cv::Mat> views = writeViews("t_{view}.png", 0, 4, {16, 8}, 9);
    cv::Mat quilt(16, 32, CV_8UC3);
    for (int v = 0; v < 4; ++v)
        views[v].copyTo(quilt(cv::Rect(16 * (v % 2), v < 2 ? 8 : 0, 16, 8)));
    {
        OutputWriter writer;
        ASSERT_TRUE(writer.prepare("q.mkv", {0, 1, 2, 3, 4, 5}, 10, false, false, message)) << message;
        for (int f = 0; f < 6; ++f)
            ASSERT_TRUE(writer.write(f, quilt, message)) << message;
        ASSERT_TRUE(writer.finish(message)) << message;
    }
    ASSERT_TRUE(scaleMatroskaDuration("q.mkv", 0.5)); // the header says 3 frames
    ASSERT_LT(cv::VideoCapture("q.mkv", cv::CAP_FFMPEG).get(cv::CAP_PROP_FRAME_COUNT), 6);

    InterlaceOptions options;
    options.calibration = {6, 1152, 8.0, false};
    options.quilt = "q.mkv";
    options.tileColumns = 2;
    options.tileRows = 2;
    options.width = 16;
    options.height = 8;
    options.output = "q_{frame}.png";
    ASSERT_EQ(run(options), Outcome::Kind::Done) << message;
    for (int f = 0; f < 6; ++f)
        EXPECT_TRUE(fs::exists("q_" + std::to_string(f) + ".png")) << f;
    EXPECT_FALSE(fs::exists("q_6.png"));
}

// A header that declares no frames, or more than any video holds, is no
// count to go by: the frames are counted as read, memory and checks stay
// those of the frames there are, and one output image for a video of several
// frames is refused without leaving the image behind.
TEST_F(Interlacing, AVideoHeaderThatLiesIsNotBelieved)
{
    const std::vector<cv::Mat> views = writeViews("t_{view}.png", 0, 4, {16, 8}, 9);
    cv::Mat quilt(16, 32, CV_8UC3);
    for (int v = 0; v < 4; ++v)
        views[v].copyTo(quilt(cv::Rect(16 * (v % 2), v < 2 ? 8 : 0, 16, 8)));
    for (const double factor : {0.0, 2147483647.0 / 6}) {
        const std::string video = factor == 0.0 ? "none.mkv" : "many.mkv";
        {
            OutputWriter writer;
            ASSERT_TRUE(writer.prepare(video, {0, 1, 2, 3, 4, 5}, 10, false, false, message)) << message;
            for (int f = 0; f < 6; ++f)
                ASSERT_TRUE(writer.write(f, quilt, message)) << message;
            ASSERT_TRUE(writer.finish(message)) << message;
        }
        ASSERT_TRUE(scaleMatroskaDuration(video, factor));
        InterlaceOptions options;
        options.calibration = {6, 1152, 8.0, false};
        options.quilt = video;
        options.tileColumns = 2;
        options.tileRows = 2;
        options.width = 16;
        options.height = 8;
        options.output = "l_{frame}.png";
        ASSERT_EQ(run(options), Outcome::Kind::Done) << video << ": " << message;
        for (int f = 0; f < 6; ++f)
            EXPECT_TRUE(fs::exists("l_" + std::to_string(f) + ".png")) << video << " " << f;
        EXPECT_FALSE(fs::exists("l_6.png"));
        for (int f = 0; f < 6; ++f)
            fs::remove("l_" + std::to_string(f) + ".png");
        options.output = "one.png";
        EXPECT_EQ(run(options), Outcome::Kind::Failed) << video;
        EXPECT_FALSE(fs::exists("one.png")) << video;
    }
}

// A quilt video whose frames change size part way is refused at the first
// frame of the new size, none of its frames scaled to the others' size:
// into frames, those before it are kept whole (as every frame is written
// when done), into a video nothing is left.
TEST_F(Interlacing, AQuiltVideoWhoseFramesChangeSizeIsRefused)
{
    std::vector<cv::Mat> frames;
    for (int f = 0; f < 4; ++f)
        frames.emplace_back(f < 2 ? 16 : 20, 32, CV_8UC3, cv::Scalar(40 * f, 90, 200));
    ASSERT_TRUE(writeJpegVideo("grow.mkv", frames));
    InterlaceOptions options;
    options.calibration = {6, 1152, 8.0, false};
    options.quilt = "grow.mkv";
    options.tileColumns = 2;
    options.tileRows = 2;
    options.width = 16;
    options.height = 8;
    for (const std::string output : {"out_{frame}.png", "out.mkv"}) {
        options.output = output;
        EXPECT_EQ(run(options), Outcome::Kind::Failed) << output;
        EXPECT_EQ(message, "grow.mkv: its frames change size at frame 2, from 32 x 16 to 32 x 20") << output;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name.rfind("out", 0) == std::string::npos || name == "out_0.png" || name == "out_1.png")
                << name;
        }
    }
}

TEST_F(Interlacing, BadInputGivesOneLineAndLeavesNothing)
{
    writeViews("g_{frame}_{view}.png", 0, 3, {16, 8}, 1);
    writeViews("g_{frame}_{view}.png", 2, 3, {16, 8}, 2); // frame 1 is missing
    writeViews("m_{view}.png", 0, 3, {16, 8}, 3);
    cv::imwrite("m_3.png", cv::Mat(9, 16, CV_8UC3, cv::Scalar::all(1)));
    writeViews("u_{view}.png", 0, 2, {16, 8}, 4);
    std::ofstream("u_2.png") << "not an image";
    cv::imwrite("odd_qs3x2.png", cv::Mat(41, 90, CV_8UC3, cv::Scalar::all(1)));
    cv::imwrite("even_qs3x2.png", cv::Mat(40, 90, CV_8UC3, cv::Scalar::all(1)));
    for (int f = 0; f < 2; ++f)
        writeViews("h_{frame}_{view}.png", f, 2, {16, 8}, 5);
    cv::imwrite("exists.png", cv::Mat(8, 16, CV_8UC3, cv::Scalar::all(9)));
    struct Case {
        const char* views;
        const char* quilt;
        const char* output;
        bool gap;
        Outcome::Kind status;
        const char* says;
    } cases[] = {
        {"g_{frame}_{view}.png", "", "x_{frame}.png", true, Outcome::Kind::Failed, "frame 1 of 0-2 is missing"},
        {"m_{view}.png", "", "x.png", false, Outcome::Kind::Failed, "views must share a size"},
        {"u_{view}.png", "", "x.png", false, Outcome::Kind::Failed, "u_2.png cannot be read: it is not a JPEG or PNG"},
        {"", "odd_qs3x2.png", "x.png", false, Outcome::Kind::Failed, "not divisible into 3 x 2 tiles"},
        {"", "even_qs3x2.png", "x.png", false, Outcome::Kind::Usage, "give the output size of a quilt"},
        {"m_{view}.png", "", "no/such/folder/x.png", false, Outcome::Kind::Usage, "does not exist"},
        {"u_{view}.png", "", "exists.png", false, Outcome::Kind::Usage, "give --force"},
        {"u_{view}.png", "", "x.jpg", false, Outcome::Kind::Usage, "--allow-lossy"},
        {"h_{frame}_{view}.png", "", "x.png", false, Outcome::Kind::Usage, "one output image"},
        {"none_{view}.png", "", "x.png", false, Outcome::Kind::Failed, "no view files"},
        {"u_{view}.png", "", "x_{frame:5}.png", false, Outcome::Kind::Usage, "-o: the pattern"},
        {"u_{view}.png", "", "x_{x}.png", false, Outcome::Kind::Usage, "-o: the pattern"},
        {"u_{view}.png", "", "x_{view}.png", false, Outcome::Kind::Usage, "has {view}"},
        {"", "many_qs5760x1800.png", "x.png", false, Outcome::Kind::Usage, "more than 4096 views"},
    };
    for (const Case& c : cases) {
        InterlaceOptions options;
        options.calibration = {6, 1152, 8.0, false};
        options.viewsPattern = c.views;
        options.quilt = c.quilt;
        options.output = c.output;
        options.framesGiven = c.gap;
        options.lastFrame = c.gap ? 2 : 0;
        if (std::string(c.quilt) == "odd_qs3x2.png")
            options.width = options.height = 30;
        EXPECT_EQ(run(options), c.status) << c.says << ": " << message;
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
    EXPECT_FALSE(fs::exists("x.png"));
    EXPECT_FALSE(fs::exists("x_0.png"));
    EXPECT_TRUE(leftovers().empty()) << leftovers().front();
    EXPECT_EQ(cv::imread("exists.png").at<cv::Vec3b>(0, 0), cv::Vec3b(9, 9, 9)); // not overwritten
}

} // namespace

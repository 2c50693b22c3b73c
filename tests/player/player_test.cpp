// The player through the scripted back end: what it shows is what
// veltrane-interlace writes, for every tuning key; frames come at their pace
// on a clock the test moves, late ones dropped and counted; content that
// breaks half way leaves the frames before it playing.
#include "veltrane/interlacer/frame_pipeline.h"
#include "veltrane/interlacer/output_writer.h"
#include "veltrane/player/content.h"
#include "veltrane/engine/viewer_place.h"
#include "veltrane/player/player.h"
#include "veltrane/player/play_options.h"
#include "veltrane/scripted/scripted_backend.h"
#include "veltrane/tracking/head_tracker.h"
#include "support/eventually.h"
#include "support/face_photo.h"
#include "support/outcome_kind.h"
#include "support/video_header.h"
#include "support/view_folder.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace veltrane;

namespace {

class TestClock : public PlayerClock {
public:
    double now() override { return time; }
    double time = 1000.0;
};

const char* const Line = "-x 6 -y 1152 -pitch 8.25 -mirror";

class Playing : public ::testing::Test {
protected:
    // Frames 0 to frames - 1 of views 0 to 4, noise each.
    void writeViews(int frames = 2)
    {
        std::mt19937 random(7);
        for (int f = 0; f < frames; ++f)
            for (int v = 0; v < 5; ++v) {
                cv::Mat view(24, 40, CV_8UC3);
                cv::randu(view, 0, 256);
                cv::imwrite("v_" + std::to_string(f) + "_" + std::to_string(v) + ".png", view);
            }
    }

    PlayOptions options() const
    {
        PlayOptions play;
        play.source.calibration = {6, 1152, 8.25, true};
        play.source.viewsPattern = "v_{frame}_{view}.png";
        play.source.viewsGiven = true;
        play.source.fps = 10;
        return play;
    }

    // A random 4 x 3 quilt written, and the options that play it through a
    // view table (tiles read to their nearest pixels) at 71 x 40.
    PlayOptions quiltOfTables() const
    {
        cv::Mat quilt(36, 60, CV_8UC3);
        cv::randu(quilt, 0, 256);
        cv::imwrite("scene_qs4x3.png", quilt);
        PlayOptions play = options();
        play.source.quilt = "scene_qs4x3.png";
        play.source.width = 71;
        play.source.height = 40;
        play.source.nearestTiles = true;
        return play;
    }

    // What veltrane-interlace writes for frame f with these numbers.
    cv::Mat interlaced(const Tuning& tuning, int f)
    {
        InterlaceOptions interlace(options().source);
        interlace.calibration = tuning.calibration;
        interlace.reverse = tuning.reverse;
        interlace.viewOffset = tuning.viewOffset;
        interlace.weighting = tuning.weighting;
        interlace.framesGiven = true;
        interlace.firstFrame = interlace.lastFrame = f;
        interlace.output = "expected.png";
        interlace.force = true;
        std::string message;
        EXPECT_EQ(kindOf(runInterlace(interlace, nullptr, false), message), Outcome::Kind::Done) << message;
        return cv::imread("expected.png");
    }

    // The content the options name, opened.
    void open(Content& content, const PlayOptions& play)
    {
        const Outcome opened = content.open(play);
        ASSERT_TRUE(opened) << opened.message;
    }

    ViewFolder folder;
    ScriptedBackend windows;
    TestClock clock;
};

TEST_F(Playing, EveryTuningKeyShowsWhatTheInterlacerWrites)
{
    writeViews();
    Content content;
    open(content, options());
    Player player(content, Tuning{options().source.calibration, false, 0}, clock);
    int checked = 0;
    auto expectInterlaced = [&](const char* after) {
        windows.then([&, after] {
            ASSERT_FALSE(player.composed().empty());
            EXPECT_EQ(cv::norm(player.composed(), interlaced(player.tuning(), static_cast<int>(player.shown())),
                               cv::NORM_INF),
                      0)
                << "after " << after;
            ++checked;
        });
    };
    windows.key(' '); // paused, so the frame stays while the keys tune it
    expectInterlaced("the start");
    for (const int key : {']', '}', '}', '[', '=', '+', '-', '.', ',', ',', 'r', 'b', '{'}) {
        windows.key(key);
        expectInterlaced(std::string(1, static_cast<char>(key)).c_str());
    }
    windows.key(KeyRight);
    expectInterlaced("a step to frame 1");
    windows.key('h').then([&] { EXPECT_NE(cv::norm(windows.lastShown(PlayerTitle), player.composed(), cv::NORM_INF), 0); });
    windows.key('h').then([&] { EXPECT_EQ(cv::norm(windows.lastShown(PlayerTitle), player.composed(), cv::NORM_INF), 0); });
    EXPECT_TRUE(player.run(windows)) << player.problem();
    EXPECT_EQ(checked, 15);
    EXPECT_EQ(player.shown(), 1);
}

// Either weighting is the interlacer's, from views and from a quilt through
// the view table; a table of one weighting never serves the other.
TEST_F(Playing, EitherWeightingIsTheInterlacers)
{
    writeViews();
    const PlayOptions tiled = quiltOfTables();
    std::vector<cv::Mat> shown;
    for (const PlayOptions& play : {options(), tiled})
        for (const Weighting weighting : {Weighting::Lines, Weighting::Full}) {
            Content content;
            open(content, play);
            Player player(content, Tuning{play.source.calibration, false, 0, weighting}, clock);
            bool checked = false;
            windows.key(' ').then([&] {
                InterlaceOptions interlace(play.source);
                interlace.weighting = weighting;
                interlace.framesGiven = play.source.quilt.empty(); // views: frame 0 alone
                interlace.firstFrame = interlace.lastFrame = 0;
                interlace.output = "expected.png";
                interlace.force = true;
                std::string message;
                ASSERT_EQ(kindOf(runInterlace(interlace, nullptr, false), message), Outcome::Kind::Done) << message;
                EXPECT_EQ(cv::norm(player.composed(), cv::imread("expected.png"), cv::NORM_INF), 0);
                EXPECT_EQ(player.composer().lastThroughTable(), !play.source.quilt.empty());
                shown.push_back(player.composed().clone());
                checked = true;
            });
            EXPECT_TRUE(player.run(windows)) << player.problem();
            EXPECT_TRUE(checked);
        }
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_GT(cv::norm(shown[0], shown[1], cv::NORM_INF), 0); // the weightings differ
    EXPECT_GT(cv::norm(shown[2], shown[3], cv::NORM_INF), 0);
}

// A phase between tenths is shown and kept as given: the frame is the
// interlacer's at 0.25 (not at 0.2 or 0.3), and the tuning still says 0.25.
TEST_F(Playing, APhaseBetweenTenthsIsShownAndKeptAsGiven)
{
    writeViews();
    Content content;
    open(content, options());
    Tuning given{options().source.calibration, false, 0};
    given.calibration.viewPhase = 0.25;
    Player player(content, given, clock);
    bool checked = false;
    windows.key(' ').then([&] {
        EXPECT_EQ(cv::norm(player.composed(), interlaced(given, 0), cv::NORM_INF), 0);
        checked = true;
    });
    EXPECT_TRUE(player.run(windows)) << player.problem();
    EXPECT_TRUE(checked);
    EXPECT_EQ(player.tuning().calibration.viewPhase, 0.25);
}

// Steps while paused show the frame asked for, whatever was read ahead:
// from frame 0, a step back is frame 2 of three (frame 1 being read ahead),
// then forward frames 0 and 1.
TEST_F(Playing, StepsWhilePausedShowTheFrameAskedFor)
{
    writeViews(3);
    Content content;
    open(content, options());
    const Tuning tuning{options().source.calibration, false, 0};
    Player player(content, tuning, clock);
    std::vector<long> shown;
    auto expectFrame = [&](int f) {
        windows.then([&, f] {
            shown.push_back(player.shown());
            EXPECT_EQ(cv::norm(player.composed(), interlaced(tuning, f), cv::NORM_INF), 0) << "frame " << f;
        });
    };
    windows.key(' ');
    windows.key(KeyLeft);
    expectFrame(2);
    windows.key(KeyRight);
    expectFrame(0);
    windows.key(KeyRight);
    expectFrame(1);
    EXPECT_TRUE(player.run(windows)) << player.problem();
    EXPECT_EQ(shown, (std::vector<long>{2, 0, 1}));
}

// A quilt's tiles, enlarged a few at a time, make the interlacer's frame too.
TEST_F(Playing, AQuiltFrameIsTheInterlacers)
{
    cv::Mat quilt(30, 60, CV_8UC3);
    cv::randu(quilt, 0, 256);
    cv::imwrite("scene_qs3x2.png", quilt);
    PlayOptions play = options();
    play.source.quilt = "scene_qs3x2.png";
    play.source.width = 50;
    play.source.height = 36;
    Content content;
    open(content, play);
    std::string message;
    Tuning tuning{play.source.calibration, true, 0};
    tuning.calibration.viewPhase = 1.5;
    tuning.calibration.subpixelOrder = ChannelOrder::Bgr;
    ContentFrame frame;
    ASSERT_TRUE(content.load(0, frame, message)) << message;
    InterlaceOptions interlace(play.source);
    interlace.calibration = tuning.calibration;
    interlace.reverse = true;
    interlace.output = "quilt.png";
    ASSERT_EQ(kindOf(runInterlace(interlace, nullptr, false), message), Outcome::Kind::Done) << message;
    EXPECT_EQ(cv::norm(composeFrame(frame, tuning, content.size()), cv::imread("quilt.png"), cv::NORM_INF), 0);
}

// A quilt with its tiles read to their nearest pixels goes through the view
// table: every tuning key shows the interlacer's frame with --tile-sampling
// nearest; a whole phase step, the views reversed or stepping to another
// frame compile no new table, the other keys one each.
TEST_F(Playing, AQuiltThroughTheViewTableIsTheInterlacersForEveryKey)
{
    const PlayOptions play = quiltOfTables();
    Content content;
    open(content, play);
    Player player(content, Tuning{play.source.calibration, false, 0}, clock);
    int checked = 0;
    auto expectInterlaced = [&](const char* after, int compilations) {
        windows.then([&, after, compilations] {
            InterlaceOptions interlace(play.source);
            interlace.calibration = player.tuning().calibration;
            interlace.reverse = player.tuning().reverse;
            interlace.output = "expected.png";
            interlace.force = true;
            std::string message;
            ASSERT_EQ(kindOf(runInterlace(interlace, nullptr, false), message), Outcome::Kind::Done) << message;
            EXPECT_TRUE(player.composer().lastThroughTable()) << after;
            EXPECT_EQ(cv::norm(player.composed(), cv::imread("expected.png"), cv::NORM_INF), 0) << "after " << after;
            EXPECT_EQ(player.composer().compilations(), compilations) << "after " << after;
            ++checked;
        });
    };
    expectInterlaced("the start", 1);
    const std::vector<std::pair<int, int>> keys = {{']', 1}, {'[', 1}, {'r', 1}, {'}', 2}, {']', 2}, {'=', 3},
                                                   {'+', 4}, {'.', 5}, {',', 6}, {'b', 7}, {'{', 8}, {'r', 8}};
    for (const auto& [key, compilations] : keys) {
        windows.key(key);
        expectInterlaced(std::string(1, static_cast<char>(key)).c_str(), compilations);
    }
    EXPECT_TRUE(player.run(windows)) << player.problem();
    EXPECT_EQ(checked, 13);
}

// A table over its budget is not made: the streaming path composes the same
// frame, and the geometry is not tried again until a key changes it.
TEST_F(Playing, AQuiltWhoseTableWouldNotFitIsStreamedToTheSameBytes)
{
    cv::Mat quilt(20, 30, CV_8UC3);
    cv::randu(quilt, 0, 256);
    ContentFrame frame;
    frame.quilt = {quilt, 3, 2, false, true};
    Tuning tuning{{6, 1152, 8.25, true, 2.5}, true, 1};
    const cv::Size size(64, 36);
    FrameComposer roomy;
    FrameComposer cramped(1000);
    const cv::Mat throughTable = roomy.compose(frame, tuning, size);
    EXPECT_TRUE(roomy.lastThroughTable());
    const cv::Mat streamed = cramped.compose(frame, tuning, size);
    EXPECT_FALSE(cramped.lastThroughTable());
    ASSERT_FALSE(streamed.empty());
    EXPECT_EQ(cv::norm(throughTable, streamed, cv::NORM_INF), 0);
    cramped.compose(frame, tuning, size);
    EXPECT_EQ(cramped.compilations(), 1);
    tuning.calibration.pitch += 0.001;
    cramped.compose(frame, tuning, size);
    EXPECT_EQ(cramped.compilations(), 2);
}

TEST(PlayOptions, TilesAreReadToTheirNearestPixelsUnlessAsked)
{
    for (const auto& [sampling, nearest] : {std::pair{"", true}, {"--tile-sampling=smooth", false},
                                            {"--tile-sampling=nearest", true}}) {
        std::vector<const char*> arguments = {"veltrane-play", "--param", Line, "--quilt=q_qs3x2.png"};
        if (*sampling != '\0')
            arguments.push_back(sampling);
        PlayOptions options;
        std::string text;
        ASSERT_EQ(parsePlayOptions(static_cast<int>(arguments.size()), arguments.data(), options, text),
                  Parse::Run)
            << text;
        EXPECT_EQ(options.source.nearestTiles, nearest) << sampling;
    }
}

// An interlaced image is shown as it is: it needs no calibration, unless the
// numbers are to be saved; views and quilts always do.
// An image is shown as it is: what composes views is refused with it.
TEST(PlayOptions, WhatComposesViewsIsRefusedWithAnImage)
{
    for (const char* composing : {"--size=640x480", "--fit=contain", "--view-phase=0.5", "--reverse", "--frames=0-1"}) {
        const std::vector<const char*> arguments{"veltrane-play", "--image=frame.png", composing};
        PlayOptions options;
        std::string text;
        EXPECT_EQ(parsePlayOptions(static_cast<int>(arguments.size()), arguments.data(), options, text), Parse::Invalid)
            << composing;
        EXPECT_NE(text.find("does not apply"), std::string::npos) << text;
    }
}

TEST(PlayOptions, OnlyAnImageNeedsNoCalibration)
{
    const std::pair<std::vector<const char*>, Parse> cases[] = {
        {{"veltrane-play", "--image=pattern.png"}, Parse::Run},
        {{"veltrane-play", "--image=pattern.png", "--save=lens.yml"}, Parse::Invalid},
        {{"veltrane-play", "--image=pattern.png", "--save=lens.yml", "--param", Line}, Parse::Run},
        {{"veltrane-play", "--views=v_{view}.png"}, Parse::Invalid},
        {{"veltrane-play", "--quilt=q_qs3x2.png"}, Parse::Invalid},
    };
    for (const auto& [arguments, expected] : cases) {
        PlayOptions options;
        std::string text;
        EXPECT_EQ(parsePlayOptions(static_cast<int>(arguments.size()), arguments.data(), options, text), expected)
            << arguments.back() << ": " << text;
        if (expected == Parse::Invalid) {
            EXPECT_NE(text.find(arguments.size() == 3 ? "--save" : "calibration"), std::string::npos) << text;
        }
    }
}

// A seat needs the sheet's measures from a record; one that is no place is
// refused in one line.
TEST(PlayOptions, AViewersSeatIsReadInMillimetres)
{
    ViewFolder folder;
    std::ofstream("measured.yml") << "x: 6\ny: 1152\npitch: 8.25\nmirror: 1\ngap_mm: 1.5\n"
                                     "panel_width_mm: 520\nviewing_distance_mm: 650\n";
    std::ofstream("plain.yml") << "x: 6\ny: 1152\npitch: 8.25\nmirror: 1\ngap_mm: 1.5\n";
    const auto parse = [](std::vector<const char*> arguments, PlayOptions& options, std::string& text) {
        arguments.insert(arguments.begin(), "veltrane-play");
        return parsePlayOptions(static_cast<int>(arguments.size()), arguments.data(), options, text);
    };
    PlayOptions options;
    std::string text;
    ASSERT_EQ(parse({"--calibration=measured.yml", "--viewer=-120.5,480,35"}, options, text), Parse::Run) << text;
    ASSERT_TRUE(options.source.viewer.has_value());
    EXPECT_EQ(options.source.viewer->offset, -120.5);
    EXPECT_EQ(options.source.viewer->distance, 480.0);
    EXPECT_EQ(options.source.viewer->height, 35.0);
    ASSERT_EQ(parse({"--calibration=measured.yml", "--viewer", "0,700"}, options, text), Parse::Run) << text;
    EXPECT_EQ(options.source.viewer->height, 0.0);
    for (const char* seat : {"--viewer=1", "--viewer=0,9", "--viewer=a,500", "--viewer=0,500,1,2", "--viewer=0,nan",
                             "--viewer=1e6,500", "--viewer=0,500,"}) {
        EXPECT_EQ(parse({"--calibration=measured.yml", seat}, options, text), Parse::Invalid) << seat;
        EXPECT_NE(text.find("--viewer must be X,D or X,D,Y in millimetres"), std::string::npos) << text;
    }
    for (const char* record : {"--calibration=plain.yml", "--param=-x 6 -y 1152 -pitch 8.25"}) {
        EXPECT_EQ(parse({record, "--viewer=0,500"}, options, text), Parse::Invalid) << record;
        EXPECT_NE(text.find("--viewer needs the sheet's measures"), std::string::npos) << text;
    }
    EXPECT_EQ(parse({"--image=frame.png", "--viewer=0,500"}, options, text), Parse::Invalid);
    EXPECT_NE(text.find("--viewer does not apply to it"), std::string::npos) << text;
}

// From a seat, every frame is composed with the numbers turned for it, keys
// tuning the numbers of the measures' place, which are what is kept; the
// overlay says the seat.
TEST_F(Playing, AViewersSeatIsShownTheNumbersTurnedForIt)
{
    writeViews(1);
    const SheetMeasures sheet{1.5, 520.0, 650.0};
    const ViewerPlace seat{-120.0, 40.0, 480.0};
    Content content;
    open(content, options());
    Player player(content, Tuning{options().source.calibration, false, 0}, clock);
    player.seatViewer(sheet, seat);
    const auto turned = [&](const Tuning& tuning) {
        Tuning numbers = tuning;
        EXPECT_EQ(numbersForViewer(tuning.calibration, sheet, content.size(), 5, seat, 0.0, numbers.calibration),
                  Status::Done);
        return numbers;
    };
    int checked = 0;
    const auto expectTurned = [&] {
        windows.then([&] {
            EXPECT_EQ(player.tuning().calibration.pitch, 8.25) << "the tuning is the measures' place's";
            const cv::Mat expected = interlaced(turned(player.tuning()), 0);
            EXPECT_EQ(cv::norm(player.composed(), expected, cv::NORM_INF), 0);
            EXPECT_GT(cv::norm(player.composed(), interlaced(player.tuning(), 0), cv::NORM_INF), 0)
                << "the seat changed nothing";
            ++checked;
        });
    };
    windows.key(' ');
    expectTurned();
    windows.key('}'); // a tenth of a view on
    expectTurned();
    windows.key('q');
    EXPECT_TRUE(player.run(windows)) << player.problem();
    EXPECT_EQ(checked, 2);
    EXPECT_NEAR(player.tuning().calibration.viewPhase, 0.1, 1e-9);
    PlaybackFigures figures;
    EXPECT_EQ(overlayLines(player.tuning(), figures, &seat).back(), "viewer -120 mm right, 40 mm up, 480 mm away");
}

// --track follows a camera or the virtual webcam, and needs the sheet's
// measures; its settings are refused without it.
TEST(PlayOptions, TrackingIsReadWithTheCamerasSettings)
{
    ViewFolder folder;
    std::ofstream("measured.yml") << "x: 6\ny: 1152\npitch: 8.25\nmirror: 1\ngap_mm: 1.5\n"
                                     "panel_width_mm: 520\nviewing_distance_mm: 650\n";
    const auto parse = [](std::vector<const char*> arguments, PlayOptions& options, std::string& text) {
        arguments.insert(arguments.begin(), "veltrane-play");
        arguments.insert(arguments.begin() + 1, "--calibration=measured.yml");
        return parsePlayOptions(static_cast<int>(arguments.size()), arguments.data(), options, text);
    };
    std::string text;
    PlayOptions camera;
    ASSERT_EQ(parse({"--track=2", "--ipd=58", "--camera-at=-10,-160", "--camera-fov=78"}, camera, text), Parse::Run)
        << text;
    EXPECT_TRUE(camera.track.on);
    EXPECT_EQ(camera.track.camera, 2);
    EXPECT_FALSE(camera.track.simulated);
    EXPECT_EQ(camera.track.ipd, 58.0);
    ASSERT_TRUE(camera.track.cameraAt.has_value());
    EXPECT_EQ(*camera.track.cameraAt, cv::Point2d(-10.0, -160.0)); // below the middle too
    EXPECT_EQ(camera.track.fieldOfView, 78.0);
    PlayOptions still;
    ASSERT_EQ(parse({"--track=sim:-100,600,20"}, still, text), Parse::Run) << text;
    ASSERT_TRUE(still.track.simulated && still.track.still.has_value());
    EXPECT_EQ(still.track.still->offset, -100.0);
    EXPECT_EQ(still.track.still->distance, 600.0);
    EXPECT_EQ(still.track.still->height, 20.0);
    PlayOptions swaying;
    ASSERT_EQ(parse({"--track", "sim"}, swaying, text), Parse::Run) << text;
    EXPECT_TRUE(swaying.track.simulated && !swaying.track.still);
    const std::vector<std::pair<std::vector<const char*>, const char*>> refused{
        {{"--track=-1"}, "--track must be a camera's number"},
        {{"--track=1.5"}, "--track must be a camera's number"},
        {{"--track=0x1"}, "--track must be a camera's number"},
        {{"--track=sim:0"}, "--track must be a camera's number"},
        {{"--track=camera"}, "--track must be a camera's number"},
        {{"--track="}, "--track is given an empty value"},
        {{"--track=sim:0,2500"}, "--track must be a camera's number"},
        {{"--track=0", "--face-photo=face.png"}, "--face-photo is the virtual webcam's"},
        {{"--track=0", "--ipd=30"}, "--ipd must be millimetres from 40 to 90"},
        {{"--track=0", "--camera-fov=180"}, "--camera-fov must be degrees from 20 to 150"},
        {{"--track=0", "--camera-at=5"}, "--camera-at must be X,Y in millimetres"},
        {{"--track=0", "--camera-at=5,6,7"}, "--camera-at must be X,Y in millimetres"},
        {{"--ipd=60"}, "are for --track"},
        {{"--track=0", "--viewer=0,500"}, "--track follows the viewer: give it without --viewer"},
    };
    for (const auto& [arguments, expected] : refused) {
        PlayOptions options;
        EXPECT_EQ(parse(arguments, options, text), Parse::Invalid) << arguments.back();
        EXPECT_NE(text.find(expected), std::string::npos) << text;
    }
    std::ofstream("plain.yml") << "x: 6\ny: 1152\npitch: 8.25\nmirror: 1\n";
    PlayOptions plain;
    const char* arguments[] = {"veltrane-play", "--calibration=plain.yml", "--track=0"};
    EXPECT_EQ(parsePlayOptions(3, arguments, plain, text), Parse::Invalid);
    EXPECT_NE(text.find("--track needs the sheet's measures"), std::string::npos) << text;
}

// Tracking, the frame shown again for every new place: the numbers turned
// for the tracked place, t back to the record's own and on again; a camera
// that stops is said once and the player plays on.
TEST_F(Playing, AFollowedHeadIsShownTheNumbersTurnedForItsPlace)
{
    writeViews(1);
    const SheetMeasures sheet{1.5, 520.0, 650.0};
    const WebcamPlace camera{0.0, 150.0, 60.0};
    const ViewerPlace head{-140.0, 110.0, 560.0};
    VirtualCameraSettings settings;
    settings.webcam.camera = camera;
    settings.frames = 45;
    TrackerSettings tracking;
    tracking.camera = camera;
    EyeFinder finder;
    ASSERT_TRUE(finder.load()) << finder.problem();
    HeadTracker tracker(virtualCamera(astronautPhoto(), [&](double) { return std::vector<VirtualHead>{{head, 63.0}}; },
                                      settings),
                        finder, tracking, ViewerPlace{0.0, 0.0, sheet.distance});
    Content content;
    open(content, options());
    Player player(content, Tuning{options().source.calibration, false, 0}, clock);
    player.followHead(tracker, sheet);
    std::vector<std::string> notices;
    player.onNotice([&](const std::string& notice) { notices.push_back(notice); });
    const auto turnedFor = [&](const ViewerPlace& place) {
        Tuning numbers = player.tuning();
        EXPECT_EQ(numbersForViewer(player.tuning().calibration, sheet, content.size(), 5, place, 0.0,
                                   numbers.calibration),
                  Status::Done);
        return numbers;
    };
    int checked = 0;
    windows.then([&] { ASSERT_TRUE(eventually([&] { return tracker.facesFound() >= 5; })); }).idle().then([&] {
        ASSERT_EQ(player.trackedPlace().state, TrackState::Tracking);
        EXPECT_NEAR(player.trackedPlace().place.offset, head.offset, 10.0);
        EXPECT_NEAR(player.trackedPlace().place.distance, head.distance, 0.05 * head.distance);
        EXPECT_EQ(cv::norm(player.composed(), interlaced(turnedFor(player.trackedPlace().place), 0), cv::NORM_INF), 0);
        EXPECT_GT(cv::norm(player.composed(), interlaced(player.tuning(), 0), cv::NORM_INF), 0);
        ++checked;
    });
    windows.key('t').then([&] {
        EXPECT_FALSE(player.following());
        EXPECT_EQ(cv::norm(player.composed(), interlaced(player.tuning(), 0), cv::NORM_INF), 0);
        ++checked;
    });
    windows.key('t').then([&] {
        EXPECT_TRUE(player.following());
        EXPECT_EQ(cv::norm(player.composed(), interlaced(turnedFor(player.trackedPlace().place), 0), cv::NORM_INF), 0);
        ++checked;
    });
    windows.then([&] { ASSERT_TRUE(eventually([&] { return tracker.cameraStopped(); })); }).idle().idle().then([&] {
        EXPECT_EQ(notices, std::vector<std::string>{"the tracking camera stopped: playing on, untracked"});
        EXPECT_GT(player.trackingLatency(), 0.0); // measured
        ++checked;
    });
    windows.key('q');
    EXPECT_TRUE(player.run(windows)) << player.problem();
    EXPECT_EQ(checked, 4);
}

TEST_F(Playing, FramesComeAtTheirPaceAndLateOnesAreDropped)
{
    writeViews();
    Content content;
    open(content, options());
    Player player(content, Tuning{options().source.calibration, false, 0}, clock);
    windows.idle().then([&] { EXPECT_EQ(player.shown(), 0); });
    windows.then([&] { clock.time += 0.1; }).then([&] { EXPECT_EQ(player.framesShown(), 2); });
    windows.then([&] { clock.time += 0.1; }).then([&] { EXPECT_EQ(player.shown(), 0); }); // looped
    windows.then([&] { clock.time += 0.35; }).then([&] {
        EXPECT_EQ(player.dropped(), 2); // three frames fell due in one wait: the last is shown
        EXPECT_EQ(player.shown(), 1);
    });
    windows.key(' ').then([&] { clock.time += 5.0; }).then([&] { EXPECT_EQ(player.framesShown(), 4); }); // paused
    windows.key(' ').then([&] { clock.time += 0.1; }).then([&] { EXPECT_EQ(player.shown(), 0); });
    EXPECT_TRUE(player.run(windows));
    EXPECT_EQ(player.dropped(), 2);
}

TEST_F(Playing, AFrameThatCannotBeReadEndsTheLoopBeforeIt)
{
    writeViews();
    std::ofstream("v_1_3.png") << "not an image";
    Content content;
    open(content, options());
    Player player(content, Tuning{options().source.calibration, false, 0}, clock);
    windows.then([&] { clock.time += 0.1; }).idle().then([&] { EXPECT_EQ(player.shown(), 0); });
    EXPECT_FALSE(player.run(windows));
    EXPECT_NE(player.problem().find("v_1_3.png"), std::string::npos) << player.problem();
    EXPECT_EQ(player.problem().find('\n'), std::string::npos);
}

// A quilt video plays the frames it holds, in a loop, whatever its header
// says: one that ends before the frames it declares has its end named; one
// that declares no count (written to a pipe) learns it at its end, which is
// no failure.
TEST_F(Playing, AQuiltVideoPlaysTheFramesItHas)
{
    cv::Mat quilt(16, 32, CV_8UC3);
    {
        OutputWriter writer;
        std::string message;
        ASSERT_TRUE(writer.prepare("q.mkv", {0, 1, 2}, 10, false, false, message)) << message;
        for (int f = 0; f < 3; ++f) {
            cv::randu(quilt, 0, 256);
            ASSERT_TRUE(writer.write(f, quilt, message)) << message;
        }
        ASSERT_TRUE(writer.finish(message)) << message;
    }
    for (const double factor : {2.0, 0.0}) { // the header says 6 frames, then none
        ASSERT_TRUE(scaleMatroskaDuration("q.mkv", factor));
        PlayOptions play = options();
        play.source.quilt = "q.mkv";
        play.source.tileColumns = 2;
        play.source.tileRows = 2;
        play.source.width = 16;
        play.source.height = 8;
        Content content;
        open(content, play);
        EXPECT_EQ(content.frames(), factor == 0.0 ? UncountedFrames : 6);
        Player player(content, Tuning{play.source.calibration, false, 0}, clock);
        windows.key(' ');
        for (int step = 1; step <= 4; ++step)
            windows.key(KeyRight);
        windows.then([&] {
            EXPECT_EQ(content.frames(), 3);
            EXPECT_EQ(player.shown(), 1); // 0, 1, 2, then the end: 0 in its place, then 1
        });
        if (factor == 0.0) {
            EXPECT_TRUE(player.run(windows)) << player.problem();
        } else {
            EXPECT_FALSE(player.run(windows));
            EXPECT_NE(player.problem().find("ends after 3 frames"), std::string::npos) << player.problem();
        }
        EXPECT_EQ(player.framesShown(), 5); // 0 first, then four steps
    }
}

// Numbers the interlacer refuses are refused before a window opens, in its
// words.
TEST_F(Playing, NumbersThatCannotBeDrawnAreRefused)
{
    writeViews(1);
    PlayOptions play = options();
    play.source.calibration = {16777216, 1, 8.0, false};
    Content content;
    open(content, play);
    Player refused(content, Tuning{play.source.calibration, false, 0}, clock);
    EXPECT_FALSE(refused.run(windows));
    EXPECT_NE(refused.problem().find("too flat to draw"), std::string::npos) << refused.problem();
    EXPECT_EQ(windows.shownCount(PlayerTitle), 0);
    EXPECT_TRUE(windows.opened.empty()) << "a window opened";
}

// Views of another size are refused, as the interlacer refuses them, not
// resized to fit.
TEST_F(Playing, ViewsOfAnotherSizeAreRefused)
{
    writeViews();
    cv::imwrite("v_1_2.png", cv::Mat(24, 41, CV_8UC3, cv::Scalar::all(9)));
    Content content;
    open(content, options());
    ContentFrame frame;
    std::string problem;
    EXPECT_TRUE(content.load(0, frame, problem)) << problem;
    EXPECT_FALSE(content.load(1, frame, problem));
    EXPECT_NE(problem.find("views must share a size"), std::string::npos) << problem;
}

} // namespace

// An interlaced video (the interlacer's FFV1) is shown as it is, frame by
// frame, byte for byte, with no calibration given.
TEST_F(Playing, AnInterlacedVideoIsShownFrameByFrameAsWritten)
{
    std::vector<cv::Mat> written;
    {
        OutputWriter writer;
        std::string message;
        ASSERT_TRUE(writer.prepare("film.mkv", {0, 1, 2}, 10, false, false, message)) << message;
        for (int f = 0; f < 3; ++f) {
            written.emplace_back(20, 34, CV_8UC3);
            cv::randu(written.back(), 0, 256);
            ASSERT_TRUE(writer.write(f, written.back(), message)) << message;
        }
        ASSERT_TRUE(writer.finish(message)) << message;
    }
    PlayOptions play;
    play.image = "film.mkv";
    Content content;
    open(content, play);
    EXPECT_EQ(content.size(), cv::Size(34, 20));
    EXPECT_EQ(content.views(), 0);
    Player player(content, Tuning{}, clock);
    int checked = 0;
    windows.key(' ');
    for (const int f : {0, 1, 2, 0}) {
        windows.then([&, f] {
            EXPECT_EQ(cv::norm(windows.lastShown(PlayerTitle), written[f], cv::NORM_INF), 0) << "frame " << f;
            ++checked;
        });
        windows.key(KeyRight);
    }
    EXPECT_TRUE(player.run(windows)) << player.problem();
    EXPECT_EQ(checked, 4);
    EXPECT_EQ(content.frames(), 3);
}

// Views of another shape than the output: contained, they keep it, whole
// and unresized where they fit, black around them; stretched (the
// interlacer's way) is the default.
TEST_F(Playing, ContainedViewsAndTilesKeepTheirShape)
{
    writeViews(1); // 40 x 24
    PlayOptions play = options();
    play.contain = true;
    play.source.width = 40;
    play.source.height = 40;
    Content content;
    open(content, play);
    EXPECT_EQ(content.sourceSize(), cv::Size(40, 24));
    ContentFrame frame;
    std::string problem;
    ASSERT_TRUE(content.load(0, frame, problem)) << problem;
    ASSERT_EQ(frame.views.size(), 5u);
    const cv::Mat view0 = cv::imread("v_0_0.png");
    EXPECT_EQ(cv::norm(frame.views[0](cv::Rect(0, 8, 40, 24)), view0, cv::NORM_INF), 0);
    EXPECT_EQ(cv::countNonZero(frame.views[0](cv::Rect(0, 0, 40, 8)).reshape(1)), 0);
    EXPECT_EQ(cv::countNonZero(frame.views[0](cv::Rect(0, 32, 40, 8)).reshape(1)), 0);

    PlayOptions quilt = quiltOfTables(); // 4 x 3 tiles of 15 x 12, view 0 at the bottom left
    quilt.contain = true;
    quilt.source.width = 30;
    quilt.source.height = 12;
    Content tiles;
    open(tiles, quilt);
    ASSERT_TRUE(tiles.load(0, frame, problem)) << problem;
    EXPECT_EQ(frame.order, ChannelOrder::Rgb);
    // Each tile in a tile of the output's shape at its own scale: 30 x 12.
    const cv::Mat& contained = frame.quilt.quilt;
    ASSERT_EQ(contained.size(), cv::Size(4 * 30, 3 * 12));
    cv::Mat quiltRgb;
    cv::cvtColor(cv::imread("scene_qs4x3.png"), quiltRgb, cv::COLOR_BGR2RGB);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(cv::norm(contained(cv::Rect(30 * c + 7, 12 * r, 15, 12)), quiltRgb(cv::Rect(15 * c, 12 * r, 15, 12)),
                               cv::NORM_INF),
                      0)
                << "tile " << c << ", " << r;
            EXPECT_EQ(cv::countNonZero(contained(cv::Rect(30 * c, 12 * r, 7, 12)).reshape(1)), 0);
            EXPECT_EQ(cv::countNonZero(contained(cv::Rect(30 * c + 22, 12 * r, 8, 12)).reshape(1)), 0);
        }

    play.contain = false;
    Content stretched;
    open(stretched, play);
    ASSERT_TRUE(stretched.load(0, frame, problem)) << problem;
    EXPECT_GT(cv::countNonZero(frame.views[0](cv::Rect(0, 0, 40, 8)).reshape(1)), 0);
}

// The overlay numbers a frame as --frames does, and counts where it is
// among the frames played.
TEST_F(Playing, TheOverlayNumbersFramesAsTheInterlacer)
{
    writeViews(3);
    PlayOptions play = options();
    play.source.framesGiven = true;
    play.source.firstFrame = 1;
    play.source.lastFrame = 2;
    Content content;
    open(content, play);
    EXPECT_EQ(content.frameNumber(0), 1);
    EXPECT_EQ(content.frameNumber(1), 2);
    PlaybackFigures figures;
    figures.frame = content.frameNumber(1);
    figures.index = 1;
    figures.frames = content.frames();
    EXPECT_NE(overlayLines(Tuning{}, figures)[1].find("frame 2 (2 of 2)"), std::string::npos)
        << overlayLines(Tuning{}, figures)[1];
}

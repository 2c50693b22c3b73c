// The view phase at the camera's place, from a photo of the views' code,
// and the camera's distance from the display's size in a photo. What the
// camera is shown is checked apart from the code and its reading: content
// of one lit view at a time, interlaced with the phase found, seen through
// the true sheet from the camera's place.
#include "veltrane/autocal/autocal_options.h"
#include "veltrane/autocal/camera_distance.h"
#include "veltrane/autocal/view_code.h"
#include "veltrane/autocal/virtual_camera.h"
#include "veltrane/engine/interlace.h"
#include "veltrane/records/calibration_record.h"
#include "support/view_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace veltrane;

namespace {

const cv::Size Display(960, 600);

VirtualCamera cameraOf(const Calibration& sheet, double gap, double distance, unsigned seed)
{
    VirtualCamera camera;
    camera.sheet = LensSheet{sheet, 8, gap};
    camera.distance = distance;
    camera.yaw = 5.0;
    camera.tilt = -3.0;
    camera.blur = 1.0;
    camera.noise = 4.0;
    camera.gamma = 2.2;
    camera.vignetting = 0.2;
    camera.seed = seed;
    return camera;
}

// How bright each of viewCount views, lit one at a time, looks in the
// middle of the display from the camera's place, offset columns to the right.
std::vector<double> viewsSeen(const VirtualCamera& camera, const Calibration& numbers, int viewCount,
                              double offset = 0.0)
{
    const cv::Rect middle(Display.width * 2 / 5, Display.height * 2 / 5, Display.width / 5, Display.height / 5);
    std::vector<double> brightness(viewCount);
    EngineOptions full;
    full.weighting = Weighting::Full;
    for (int lit = 0; lit < viewCount; ++lit) {
        std::vector<cv::Mat> views(viewCount, cv::Mat(Display, CV_8UC3, cv::Scalar::all(0)));
        views[lit] = cv::Mat(Display, CV_8UC3, cv::Scalar::all(255));
        cv::Mat panel;
        cv::Mat seen;
        EXPECT_EQ(interlaceViews(numbers, views, panel, full), Status::Done);
        EXPECT_EQ(seeThroughSheet(camera.sheet, Eye{camera.distance, offset, 0.0}, panel, seen), Status::Done);
        const cv::Scalar mean = cv::mean(seen(middle));
        brightness[lit] = mean[0] + mean[1] + mean[2];
    }
    return brightness;
}

// Where between views of three or more the camera sees: under the full
// weighting a lit view fades linearly into its neighbours, so the views'
// brightnesses about the brightest, weighed by their numbers, give it.
double viewSeen(const VirtualCamera& camera, const Calibration& numbers, int viewCount)
{
    const std::vector<double> brightness = viewsSeen(camera, numbers, viewCount);
    const int best = static_cast<int>(std::max_element(brightness.begin(), brightness.end()) - brightness.begin());
    const int below = std::min(2, (viewCount - 1) / 2);
    const int above = std::min(2, viewCount - 1 - below);
    double sum = 0.0;
    double weighed = 0.0;
    for (int k = -below; k <= above; ++k) {
        const double b = brightness[(best + k + viewCount) % viewCount];
        sum += b;
        weighed += b * (best + k);
    }
    return weighed / sum;
}

// The share of what an eye sees that comes from view.
double shareOf(const std::vector<double>& brightness, int view)
{
    double sum = 0.0;
    for (const double b : brightness)
        sum += b;
    return brightness[view] / sum;
}

double viewsApart(double a, double b, int viewCount)
{
    const double d = std::fmod(a - b, viewCount);
    return std::min(std::fabs(d), viewCount - std::fabs(d));
}

Calibration foundBy(VirtualCamera camera, const Calibration& guess)
{
    VirtualCameraPhotos photos(camera);
    RoundsResult result;
    std::string problem;
    EXPECT_TRUE(calibrateFromPhotos(guess, Display, photos, RoundsOptions{}, result, problem)) << problem;
    return result.calibration;
}

TEST(ViewCode, ThePlaceSeenGivesThePhaseThatShowsTheCameraItsMiddleViews)
{
    struct Sheet {
        Calibration calibration;
        double phase; // the sheet's own, in eighths of a lens
        double gap;
        double distance;
    };
    const Sheet sheets[] = {
        {{5, 1152, 8.25, true}, 0.0, 25.0, 6000.0},
        {{6, 1152, 11.7, false, 0.0, ChannelOrder::Bgr}, 3.4, 40.0, 9000.0},
        {{2, 600, 5.6, false}, 6.9, 0.0, 12000.0},
    };
    unsigned seed = 1;
    for (const Sheet& sheet : sheets) {
        Calibration truth = sheet.calibration;
        truth.viewPhase = sheet.phase;
        const VirtualCamera camera = cameraOf(truth, sheet.gap, sheet.distance, ++seed);
        // The guess says nothing of the panel's order: red first.
        Calibration guess = sheet.calibration;
        guess.pitch *= 1.02;
        guess.subpixelOrder = ChannelOrder::Rgb;
        const Calibration found = foundBy(camera, guess);
        cv::Mat code;
        ASSERT_EQ(drawViewCode(found, Display, code), Status::Done);
        VirtualCameraPhotos photos(camera);
        cv::Mat photo;
        std::string problem;
        ASSERT_TRUE(photos.take(code, photo, problem)) << problem;
        LensPlace place;
        ASSERT_TRUE(readLensPlace(photo, found, Display, place, problem)) << problem;
        EXPECT_GT(place.contrast, 0.3);
        EXPECT_LT(place.spread, 0.03);
        EXPECT_EQ(place.panel, sheet.calibration.subpixelOrder) << "the code's colours read wrong";
        for (const int viewCount : {2, 5, 8}) {
            Calibration numbers = found;
            numbers.subpixelOrder = place.panel;
            numbers.viewPhase = phaseForPlace(found, Display, viewCount, place.share);
            EXPECT_GE(numbers.viewPhase, 0.0);
            EXPECT_LT(numbers.viewPhase, viewCount);
            if (viewCount > 2) {
                EXPECT_LT(viewsApart(viewSeen(camera, numbers, viewCount), (viewCount - 1) / 2.0, viewCount), 0.1)
                    << parameterLine(found) << ", " << viewCount << " views, phase " << numbers.viewPhase;
                continue;
            }
            // Two views: the camera between them, and half a view zone to
            // its right view 0, as much to its left view 1 (a lens shows an
            // eye further right what lies further left under it).
            const double zone = found.pitch / viewCount * camera.distance / sheet.gap;
            if (sheet.gap > 0.0) {
                EXPECT_GT(shareOf(viewsSeen(camera, numbers, 2, zone / 2), 0), 0.85) << parameterLine(found);
                EXPECT_GT(shareOf(viewsSeen(camera, numbers, 2, -zone / 2), 1), 0.85) << parameterLine(found);
            }
        }
    }
}

TEST(ViewCode, ACodeNotSeenOrNotAlikeIsNotRead)
{
    const Calibration sheet{5, 1152, 8.25, true};
    const VirtualCamera camera = cameraOf(sheet, 25.0, 6000.0, 9);
    cv::Mat code;
    ASSERT_EQ(drawViewCode(sheet, Display, code), Status::Done);
    VirtualCameraPhotos photos(camera);
    cv::Mat photo;
    std::string problem;
    LensPlace place;
    // Drawn for numbers one fringe or 3 % off the sheet's as the camera sees
    // it: not one place under every lens.
    for (const double off : {1.003, 1.03}) {
        Calibration numbers = sheet;
        numbers.pitch *= (1.0 + 25.0 / 6000.0) * off;
        ASSERT_EQ(drawViewCode(numbers, Display, code), Status::Done);
        ASSERT_TRUE(photos.take(code, photo, problem));
        EXPECT_FALSE(readLensPlace(photo, numbers, Display, place, problem))
            << off << ": contrast " << place.contrast << ", spread " << place.spread;
    }
    // The display shown grey all over inside its frame: no code.
    ASSERT_EQ(drawViewCode(sheet, Display, code), Status::Done);
    const PatternLayout layout = patternLayout(Display, sheet.pitch);
    code(layout.fields[0] | layout.fields[1]).setTo(cv::Scalar::all(128));
    ASSERT_TRUE(photos.take(code, photo, problem));
    EXPECT_FALSE(readLensPlace(photo, sheet, Display, place, problem));
    EXPECT_EQ(problem, "the views' code is too faint in the photo to read");
    // No display in the photo.
    EXPECT_FALSE(readLensPlace(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(30)), sheet, Display, place, problem));
}

Parse parse(std::vector<const char*> arguments, AutocalOptions& options, std::string& text)
{
    arguments.insert(arguments.begin(), "veltrane-autocal");
    return parseAutocalOptions(static_cast<int>(arguments.size()), arguments.data(), options, text);
}

// A display 288 mm wide: a subpixel column is a tenth of a millimetre.
constexpr double Column = 0.1;

CalibrationRecord widthOnly()
{
    CalibrationRecord record;
    record.calibration = Calibration{5, 1152, 8.4, true};
    record.width = Display.width;
    record.height = Display.height;
    record.measures.panelWidth = 288.0;
    return record;
}

// veltrane-autocal on the virtual camera through a 50-degree lens at 700 mm:
// the distance read off the photo and the phase measured go into the record.
TEST(ViewCode, AutocalSavesThePhaseAndTheDistanceReadOffThePhoto)
{
    ViewFolder folder;
    std::string text;
    ASSERT_TRUE(saveCalibrationRecord("guess.yml", widthOnly(), "2026-12-09T12:00:00", text)) << text;
    const char* camera = "--camera=sim:pitch=8.25,x=5,mirror=1,phase=2.6,gap=25,distance=7000,fov=50,yaw=8,tilt=-4,"
                         "blur=1,noise=4,gamma=2.2";
    AutocalOptions options;
    ASSERT_EQ(parse({"--calibration=guess.yml", camera, "--camera-fov=50", "--view-count=5", "--save=found.yml",
                     "--quiet"},
                    options, text),
              Parse::Run)
        << text;
    AutocalReport report;
    const Outcome outcome = runAutocal(options, nullptr, report);
    ASSERT_TRUE(outcome) << outcome.message;
    CalibrationRecord found;
    ASSERT_TRUE(loadCalibrationRecord("found.yml", found, text)) << text;
    ASSERT_TRUE(found.measures.viewingDistance.has_value());
    EXPECT_NEAR(*found.measures.viewingDistance, 700.0, 0.02 * 700.0);
    EXPECT_LT(viewsApart(viewSeen(options.virtualCamera, found.calibration, 5), 2.0, 5), 0.1)
        << "phase " << found.calibration.viewPhase;
    ASSERT_EQ(report.notes.size(), 2u);
    EXPECT_EQ(report.notes[0].rfind("the view phase for 5 views: ", 0), 0u) << report.notes[0];
    EXPECT_EQ(report.notes[1].rfind("the camera's distance: ", 0), 0u) << report.notes[1];
}

TEST(CameraDistance, TheDisplaysOutlineGivesTheDistanceThroughALensOfKnownView)
{
    const Calibration sheet{5, 1152, 8.25, true};
    cv::Mat pattern;
    ASSERT_EQ(drawViewCode(sheet, Display, pattern), Status::Done);
    struct Seen {
        double fieldOfView, millimetres, yaw, roll;
    };
    for (const Seen seen : {Seen{50, 450, 0, 0}, Seen{50, 1200, 20, 0}, Seen{75, 600, -10, 10}, Seen{30, 1800, 5, 0}}) {
        VirtualCamera camera = cameraOf(sheet, 25.0, seen.millimetres / Column, 3);
        camera.fieldOfView = seen.fieldOfView;
        camera.yaw = seen.yaw;
        camera.roll = seen.roll;
        camera.photo = cv::Size(1600, 1200);
        cv::Mat photo;
        ASSERT_EQ(photograph(camera, pattern, photo), Status::Done);
        double distance = 0.0;
        std::string problem;
        ASSERT_TRUE(cameraDistance(photo, Display, 288.0, CameraLens{seen.fieldOfView}, distance, problem))
            << problem;
        // From the display's plane: the camera, the display turned, is as
        // much nearer it.
        const double fromPlane =
            seen.millimetres * std::cos(seen.yaw * CV_PI / 180) * std::cos(camera.tilt * CV_PI / 180);
        EXPECT_NEAR(distance, fromPlane, 0.02 * fromPlane) << seen.fieldOfView << " degrees";
        // Another lens's view is another distance, by the ratio of the tangents.
        ASSERT_TRUE(cameraDistance(photo, Display, 288.0, CameraLens{seen.fieldOfView / 2}, distance, problem));
        const double ratio = std::tan(seen.fieldOfView * CV_PI / 360) / std::tan(seen.fieldOfView * CV_PI / 720);
        EXPECT_NEAR(distance, fromPlane * ratio, 0.05 * fromPlane * ratio);
    }
    double distance = 0.0;
    std::string problem;
    EXPECT_FALSE(cameraDistance(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(0)), Display, 288.0, CameraLens{50},
                                distance, problem));
}

TEST(ViewCode, ThePhaseAndTheFieldOfViewAreAskedForWhereTheyCanBeHad)
{
    ViewFolder folder;
    std::string text;
    ASSERT_TRUE(saveCalibrationRecord("guess.yml", widthOnly(), "2026-12-09T12:00:00", text)) << text;
    CalibrationRecord noWidth = widthOnly();
    noWidth.measures.panelWidth.reset();
    ASSERT_TRUE(saveCalibrationRecord("bare.yml", noWidth, "2026-12-09T12:00:00", text)) << text;
    struct Refused {
        std::vector<const char*> arguments;
        const char* says;
    };
    const Refused refused[] = {
        {{"--calibration=guess.yml", "--camera=sim:", "--view-count=1"}, "--view-count must be a whole number from 2"},
        {{"--calibration=guess.yml", "--camera=sim:", "--view-count=5000"}, "--view-count must be a whole number"},
        {{"--calibration=guess.yml", "--photo=p.png", "--view-count=8"}, "--view-count needs a photo of the views'"},
        {{"--calibration=guess.yml", "--camera=0", "--view-count=8"}, "--view-count needs a photo of the views'"},
        {{"--calibration=guess.yml", "--camera=sim:", "--camera-fov=5"}, "--camera-fov must be degrees from 10"},
        {{"--calibration=guess.yml", "--camera=sim:", "--camera-fov=wide"}, "--camera-fov must be degrees"},
        {{"--calibration=guess.yml", "--camera=sim:", "--camera-fov=50", "--distance=700"}, "not both"},
        {{"--calibration=bare.yml", "--camera=sim:", "--camera-fov=50"}, "--camera-fov needs the panel's width"},
        {{"--calibration=guess.yml", "--pattern=p.png", "--camera-fov=50"}, "--camera-fov is the camera's"},
    };
    for (const Refused& one : refused) {
        AutocalOptions options;
        EXPECT_EQ(parse(one.arguments, options, text), Parse::Invalid) << one.says;
        EXPECT_NE(text.find(one.says), std::string::npos) << text;
    }
}

} // namespace

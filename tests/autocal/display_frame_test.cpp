// The display found in a photo by its pattern's white frame, the photo made
// here: the pattern put into a room by a perspective the test chooses
// (turned up to 44 degrees in the photo, seen from the side), over rooms
// dark, lit, mid-grey, white-walled and full of bright things, reflections
// over the screen and bright things beside it; the corners found against
// those the perspective puts there. And rounds whose photos never agree are refused, not answered.
#include "veltrane/autocal/display_frame.h"
#include "veltrane/autocal/pattern.h"
#include "veltrane/autocal/photo_rounds.h"
#include "veltrane/autocal/virtual_camera.h"
#include "support/screen_in_photo.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace veltrane;

namespace {

const cv::Size Display(960, 600);
const cv::Size Photo(1400, 1200);
const Calibration Guess{6, 1152, 8.3, true};

// Display pixels to photo pixels: turned by roll in the photo, seen from
// the side (a trapezium), its middle at the photo's.
cv::Matx33d perspective(double roll, double side)
{
    const double c = std::cos(roll * CV_PI / 180.0);
    const double s = std::sin(roll * CV_PI / 180.0);
    const cv::Matx33d centred(1, 0, -Display.width / 2.0, 0, 1, -Display.height / 2.0, 0, 0, 1);
    const cv::Matx33d seen(1, 0, 0, 0, 1, 0, side / Display.width, 0, 1); // the far side smaller
    const cv::Matx33d turned(c, -s, 0, s, c, 0, 0, 0, 1);
    const cv::Matx33d placed(0.8, 0, Photo.width / 2.0, 0, 0.8, Photo.height / 2.0, 0, 0, 1);
    return placed * turned * seen * centred;
}

// The display's corners in the photo: the outer edges of its corner
// pixels, half a pixel from their middles (where the warp puts a pixel).
std::vector<cv::Point2f> cornersBy(const cv::Matx33d& h)
{
    const float right = static_cast<float>(Display.width) - 0.5f;
    const float bottom = static_cast<float>(Display.height) - 0.5f;
    const std::vector<cv::Point2f> display = {{-0.5f, -0.5f}, {right, -0.5f}, {right, bottom}, {-0.5f, bottom}};
    std::vector<cv::Point2f> photo;
    cv::perspectiveTransform(display, photo, cv::Mat(h));
    return photo;
}

enum class Room { Dark, Lit, Grey, WhiteWall, Things };

// The room's light, 8-bit as photographed.
cv::Mat room(Room kind, unsigned seed)
{
    const double level = kind == Room::Dark ? 15 : kind == Room::Lit ? 70 : kind == Room::Grey ? 128 : 215;
    cv::Mat made(Photo, CV_8UC3, cv::Scalar::all(level));
    if (kind == Room::Things) {
        made.setTo(cv::Scalar::all(90));
        std::mt19937 random(seed);
        for (int i = 0; i < 12; ++i) {
            const int w = std::uniform_int_distribution<int>(60, 400)(random);
            const int h = std::uniform_int_distribution<int>(60, 400)(random);
            const cv::Point at(std::uniform_int_distribution<int>(0, Photo.width - w)(random),
                               std::uniform_int_distribution<int>(0, Photo.height - h)(random));
            const int v = std::uniform_int_distribution<int>(20, 250)(random);
            cv::rectangle(made, cv::Rect(at, cv::Size(w, h)), cv::Scalar(v, v * 0.9, v * 0.8), cv::FILLED);
        }
    }
    return made;
}

// A reflection's band over the screen: none, a soft one across it
// aslant, a bright one there (the black inside the frame lifted to all but
// white where it crosses), or one that drives the camera to its white,
// from top to bottom.
enum class Reflection { None, Soft, Bright, Blinding };

void reflect(cv::Mat& pattern, Reflection reflection)
{
    if (reflection == Reflection::None)
        return;
    const bool soft = reflection != Reflection::Blinding;
    for (int y = 0; y < pattern.rows; ++y)
        for (int x = 0; x < pattern.cols; ++x) {
            const double d = soft ? (x - 0.6 * Display.width) * 0.9 + (y - 0.5 * Display.height) * 0.45
                                  : x - 0.72 * Display.width;
            const double width = soft ? 50.0 : 40.0;
            const double top = reflection == Reflection::Soft ? 150.0 : reflection == Reflection::Bright ? 240.0 : 400.0;
            const double lift = top * std::exp(-d * d / (2.0 * width * width));
            cv::Vec3b& p = pattern.at<cv::Vec3b>(y, x);
            for (int c = 0; c < 3; ++c)
                p[c] = cv::saturate_cast<uchar>(p[c] + lift);
        }
}

// The pattern in the room through the perspective, blurred a little, a
// reflection's band added over the screen when asked; a bright thing of
// the room that meets the display's right side, when asked.
cv::Mat photoOf(const cv::Matx33d& h, Room kind, Reflection reflection, unsigned seed, bool thingBeside = false)
{
    cv::Mat pattern;
    EXPECT_EQ(drawPattern(patternLayout(Display, Guess.pitch), PatternCode{Guess, Display, 1}, pattern),
              Status::Done);
    reflect(pattern, reflection);
    cv::Mat photo = room(kind, seed);
    if (thingBeside) {
        const std::vector<cv::Point2f> corners = cornersBy(h);
        const cv::Point2f right = 0.5f * (corners[1] + corners[2]);
        cv::rectangle(photo, cv::Rect(cvRound(right.x) - 50, cvRound(right.y) - 120, 200, 240),
                      cv::Scalar::all(255), cv::FILLED);
    }
    placeScreen(pattern, h, photo);
    cv::GaussianBlur(photo, photo, cv::Size(), 1.0);
    return photo;
}

double largestMiss(const std::vector<cv::Point2f>& found, const std::vector<cv::Point2f>& truth)
{
    double miss = 0.0;
    for (std::size_t i = 0; i < truth.size(); ++i)
        miss = std::max(miss, static_cast<double>(cv::norm(found[i] - truth[i])));
    return miss;
}

} // namespace

// How near the truth a corner is found: the sides are fitted to the
// outline's whole pixels, and a white wall leaves only the frame's inner
// edge, a frame's width in (its error carried out that far); half a pixel
// more where the outline's pixels were taken for the edge.
constexpr double Reach = 2.0;

// Every room, turned either way up to 44 degrees, seen from the side: the
// corners in their order as the display stands, each within Reach.
TEST(DisplayFrame, IsFoundInEveryRoomTurnedUpTo44Degrees)
{
    unsigned seed = 1;
    for (const Room kind : {Room::Dark, Room::Lit, Room::Grey, Room::WhiteWall, Room::Things})
        for (const double roll : {0.0, 30.0, -44.0})
            for (const double side : {0.0, 0.25}) {
                const cv::Matx33d h = perspective(roll, side);
                std::vector<cv::Point2f> found;
                ASSERT_TRUE(displayCorners(photoOf(h, kind, Reflection::None, ++seed), Display, found))
                    << "room " << static_cast<int>(kind) << ", roll " << roll << ", side " << side;
                EXPECT_LT(largestMiss(found, cornersBy(h)), Reach)
                    << "room " << static_cast<int>(kind) << ", roll " << roll << ", side " << side;
            }
}

TEST(DisplayFrame, IsFoundUnderAReflectionAndNotWhereItIsNotWhole)
{
    const cv::Matx33d h = perspective(12.0, 0.1);
    std::vector<cv::Point2f> found;
    const cv::Mat photo = photoOf(h, Room::Lit, Reflection::Soft, 3);
    ASSERT_TRUE(displayCorners(photo, Display, found));
    EXPECT_LT(largestMiss(found, cornersBy(h)), Reach);
    // The same photo larger than the display is looked for in (then found
    // again in the photo's own pixels), its corners where the larger
    // pixels put them.
    const float larger = 1.5f;
    cv::Mat large;
    cv::resize(photo, large, cv::Size(), larger, larger, cv::INTER_LINEAR);
    std::vector<cv::Point2f> truth = cornersBy(h);
    for (cv::Point2f& corner : truth)
        corner = (corner + cv::Point2f(0.5f, 0.5f)) * larger - cv::Point2f(0.5f, 0.5f);
    ASSERT_TRUE(displayCorners(large, Display, found));
    EXPECT_LT(largestMiss(found, truth), larger * Reach);
    // Its right part out of the photo.
    const cv::Matx33d aside = cv::Matx33d(1, 0, 500, 0, 1, 0, 0, 0, 1) * h;
    EXPECT_FALSE(displayCorners(photoOf(aside, Room::Lit, Reflection::None, 4), Display, found));
    // No display at all: a room of things.
    EXPECT_FALSE(displayCorners(room(Room::Things, 5), Display, found));
}

// A reflection that crosses the black band inside the frame while a bright
// thing meets the frame outside (no outline of the display is whole at any
// level), and one that cuts the display's inside in two with the camera's
// white (the frame and it around the part beside it look like a display).
TEST(DisplayFrame, IsFoundWhereReflectionsAndBrightThingsMeetItsFrame)
{
    for (const double roll : {8.0, -20.0}) {
        const cv::Matx33d h = perspective(roll, 0.1);
        std::vector<cv::Point2f> found;
        ASSERT_TRUE(displayCorners(photoOf(h, Room::Lit, Reflection::Bright, 6, true), Display, found)) << roll;
        EXPECT_LT(largestMiss(found, cornersBy(h)), Reach) << roll;
        ASSERT_TRUE(displayCorners(photoOf(h, Room::Lit, Reflection::Blinding, 7), Display, found)) << roll;
        EXPECT_LT(largestMiss(found, cornersBy(h)), Reach) << roll;
    }
}

namespace {

// Photos through a sheet that is not the same from round to round: each
// round reads another pitch, more than a fringe apart over the display.
class RestlessSheet : public PhotoSource {
public:
    explicit RestlessSheet(const VirtualCamera& camera) : steady_(camera), moved_(shifted(camera)) {}
    bool take(const cv::Mat& pattern, cv::Mat& photo, std::string& problem) override
    {
        return (++round_ % 2 ? steady_ : moved_).take(pattern, photo, problem);
    }

private:
    static VirtualCamera shifted(VirtualCamera camera)
    {
        camera.sheet.calibration.pitch *= 1.004;
        return camera;
    }
    VirtualCameraPhotos steady_;
    VirtualCameraPhotos moved_;
    int round_ = 0;
};

} // namespace

// Rounds that run out still moving the numbers by more than a quarter of a
// fringe are refused: the photos do not hold the numbers that finely.
TEST(PhotoRounds, RoundsThatDoNotSettleAreRefused)
{
    VirtualCamera camera;
    camera.sheet.calibration = Calibration{6, 1152, 8.25, true};
    camera.sheet.viewCount = 8;
    camera.sheet.gap = 30.0;
    camera.blur = 1.0;
    camera.noise = 4.0;
    RestlessSheet photos(camera);
    RoundsResult result;
    std::string problem;
    EXPECT_FALSE(calibrateFromPhotos(Guess, Display, photos, RoundsOptions{}, result, problem));
    EXPECT_EQ(result.rounds, 3);
    EXPECT_NE(problem.find("the rounds do not settle"), std::string::npos) << problem;
    // The same sheet held still is solved.
    VirtualCameraPhotos still(camera);
    EXPECT_TRUE(calibrateFromPhotos(Guess, Display, still, RoundsOptions{}, result, problem)) << problem;
}

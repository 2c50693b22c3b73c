// The display's left and right sides found through lenses that cross them
// only a few times: the pattern seen through a sheet of nearly upright
// lenses of a large pitch, put into a photo by a perspective the test
// chooses. Through the lenses the whole display is seen moved across by a
// part of a lens (the same all down a side), so what is checked is each
// side's lean: its top and bottom corners, taken back into the display,
// as far apart across as the truth's (none).
#include "veltrane/autocal/display_frame.h"
#include "veltrane/autocal/frame_sides.h"
#include "veltrane/autocal/pattern.h"
#include "veltrane/simulator/lens_view.h"
#include "support/screen_in_photo.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace veltrane;

namespace {

const cv::Size Display(960, 600);
const cv::Size Photo(1200, 900);
const double Distance = 20000.0; // subpixel columns from the sheet

cv::Matx33d perspective(double roll, double side)
{
    const double c = std::cos(roll * CV_PI / 180.0);
    const double s = std::sin(roll * CV_PI / 180.0);
    const cv::Matx33d centred(1, 0, -Display.width / 2.0, 0, 1, -Display.height / 2.0, 0, 0, 1);
    const cv::Matx33d seen(1, 0, 0, 0, 1, 0, side / Display.width, 0, 1);
    const cv::Matx33d turned(c, -s, 0, s, c, 0, 0, 0, 1);
    const cv::Matx33d placed(0.9, 0, Photo.width / 2.0, 0, 0.9, Photo.height / 2.0, 0, 0, 1);
    return placed * turned * seen * centred;
}

struct Through {
    LensSheet sheet;
    Calibration seen; // the lenses as the camera sees them: the pitch magnified
};

Through sheetOf(int x, int y, double pitch, bool mirror)
{
    Through t;
    t.sheet.calibration = Calibration{x, y, pitch, mirror};
    t.sheet.calibration.viewPhase = 2.6;
    t.sheet.viewCount = 8;
    t.sheet.gap = 4.0 * pitch;
    t.seen = Calibration{x, y, pitch * (1.0 + t.sheet.gap / Distance), mirror};
    return t;
}

// The pattern for the lenses seen, through the sheet, in a dim room.
cv::Mat photoThrough(const Through& t, const cv::Matx33d& h)
{
    cv::Mat pattern;
    EXPECT_EQ(drawPattern(patternLayout(Display, t.seen.pitch), PatternCode{t.seen, Display, 1}, pattern),
              Status::Done);
    cv::Mat seen;
    EXPECT_EQ(seeThroughSheet(t.sheet, Eye{Distance, 0.0}, pattern, seen), Status::Done);
    cv::Mat photo(Photo, CV_8UC3, cv::Scalar::all(30));
    placeScreen(seen, h, photo);
    cv::GaussianBlur(photo, photo, cv::Size(), 0.8);
    return photo;
}

// How far each side leans in the display, in its pixels across over its
// height: the left's, then the right's.
cv::Vec2d leansIn(const std::vector<cv::Point2f>& corners, const cv::Matx33d& h)
{
    std::vector<cv::Point2f> inDisplay;
    cv::perspectiveTransform(corners, inDisplay, cv::Mat(h.inv()));
    return {inDisplay[3].x - inDisplay[0].x, inDisplay[2].x - inDisplay[1].x};
}

} // namespace

// Nearly upright lenses of large pitches, either leaning, the photo turned
// and seen from the side: found through the lenses, each side leans by
// under Leaning pixels, where the outline's line leans with the steps it
// holds by up to 13. (Where a lens shows the side's edge itself, the edge
// seen runs across the lens, not along it: a side along a single lens
// keeps a pixel or two of such a lean.)
constexpr double Leaning = 2.0;

TEST(FrameSides, LeanAsTheDisplayDoesThroughLensesThatCrossThemFewTimes)
{
    struct Case {
        int x;
        int y;
        double pitch;
        bool mirror;
        double roll;
    };
    double worstAlone = 0.0;
    for (const Case c : {Case{14, 600, 38.0, true, 1.0}, Case{11, 1152, 33.3, false, -3.0},
                         Case{15, 600, 34.9, true, 12.0}, Case{22, 600, 27.0, false, -25.0}}) {
        const Through t = sheetOf(c.x, c.y, c.pitch, c.mirror);
        const cv::Matx33d h = perspective(c.roll, 0.1);
        const cv::Mat photo = photoThrough(t, h);
        std::vector<cv::Point2f> alone;
        std::vector<cv::Point2f> through;
        ASSERT_TRUE(displayCorners(photo, Display, alone)) << c.x;
        ASSERT_TRUE(displayCorners(photo, Display, through, &t.seen)) << c.x;
        const cv::Vec2d lean = leansIn(through, h);
        EXPECT_LT(std::fabs(lean[0]), Leaning) << "left, -x " << c.x;
        EXPECT_LT(std::fabs(lean[1]), Leaning) << "right, -x " << c.x;
        const cv::Vec2d leanAlone = leansIn(alone, h);
        worstAlone = std::max({worstAlone, std::fabs(leanAlone[0]), std::fabs(leanAlone[1])});
        // The top and bottom sides stay where they were found.
        for (const auto& [a, b] : {std::pair{0, 1}, std::pair{3, 2}}) {
            const cv::Point2f along = alone[b] - alone[a];
            const cv::Point2f moved = through[a] - alone[a];
            EXPECT_LT(std::fabs(along.x * moved.y - along.y * moved.x) / cv::norm(along), 0.01) << c.x;
        }
    }
    // The photos are ones where the outline's lines lean with the lenses.
    EXPECT_GT(worstAlone, 3.0);
}

// Lenses that cross the sides many times, and lenses too fine for the
// photo's pixels, leave the corners as they are; so do corners given for
// no display, and lenses the engine draws no lines for.
TEST(FrameSides, StayWhereTheLensesCrossThemOftenOrCannotBeSeen)
{
    const cv::Matx33d h = perspective(5.0, 0.1);
    for (const Through& t : {sheetOf(150, 600, 30.0, false), sheetOf(6, 600, 5.0, true)}) {
        const cv::Mat photo = photoThrough(t, h);
        std::vector<cv::Point2f> corners;
        ASSERT_TRUE(displayCorners(photo, Display, corners));
        cv::Mat bright;
        cv::cvtColor(photo, bright, cv::COLOR_BGR2GRAY);
        const std::vector<cv::Point2f> again = sidesThroughLenses(bright, corners, Display, 30, t.seen);
        EXPECT_EQ(again, corners) << t.seen.x;
    }
    const cv::Mat dark(Photo, CV_8UC1, cv::Scalar(0));
    const std::vector<cv::Point2f> some = {{100, 100}, {900, 110}, {890, 700}, {110, 690}};
    EXPECT_EQ(sidesThroughLenses(dark, some, Display, 30, sheetOf(14, 600, 38.0, true).seen), some);
    EXPECT_EQ(sidesThroughLenses(dark, some, Display, 30, Calibration{0, 0, 38.0, false}), some);
    EXPECT_EQ(sidesThroughLenses(dark, {}, Display, 30, sheetOf(14, 600, 38.0, true).seen),
              std::vector<cv::Point2f>{});
}

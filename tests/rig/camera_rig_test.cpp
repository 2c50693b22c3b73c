// The camera rig: its figures against the optics worked by hand, and views
// ray cast by the test from its cameras, interlaced and seen through the
// simulated sheet from two of the cameras' places, show each point where
// that eye's own perspective puts it.
#include "veltrane/rig/camera_rig.h"

#include "veltrane/engine/interlace.h"
#include "veltrane/simulator/lens_view.h"
#include "support/lens_over_foot.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <vector>

using namespace veltrane;

namespace {

// A 300 mm wide panel of 480 x 270 (a subpixel column 0.208 mm), its lenses
// 10 subpixel columns wide and 4 mm above it; numbers found from 700 mm.
const cv::Size Size(480, 270);
const SheetMeasures Measures{4.0, 300.0, 700.0};
const Calibration Sheet{4, 9, 10.0, false};
constexpr int Views = 5;
constexpr double Column = 300.0 / (3 * 480);

// The numbers found from the measures' place, their phase putting the
// middle view there.
Calibration foundNumbers()
{
    Calibration found = Sheet;
    found.pitch = Sheet.pitch * (1.0 + Measures.gap / Measures.distance);
    const double coordinate = viewAtFoot(Sheet, Views, Measures.gap, Measures.distance, found, Views, Size);
    found.viewPhase = std::fmod(std::fmod((Views - 1) / 2.0 - coordinate, Views) + Views, Views);
    return found;
}

TEST(CameraRig, ItsFiguresAreTheSheetsOptics)
{
    CameraRig rig;
    ASSERT_EQ(cameraRig(foundNumbers(), Measures, Size, Views, 0.0, rig), Status::Done);
    // A view on the panel is 10.057 / 5 columns; an eye moving x sees the
    // panel move x g / D under a lens: a view zone is 2.0114 x 0.2083 x 700 / 4.
    const double pitch = 10.0 * (1.0 + 4.0 / 700.0);
    const double zone = pitch / Views * Column * 700.0 / 4.0;
    EXPECT_NEAR(rig.spacing, zone, 1e-9);
    EXPECT_NEAR(rig.spacing, 73.33, 0.01);
    ASSERT_EQ(rig.cameras.size(), 5u);
    // View 0 on the right, the middle view in front of the middle.
    EXPECT_NEAR(rig.cameras[0].place.x, 2 * zone, 1e-9);
    EXPECT_NEAR(rig.cameras[2].place.x, 0.0, 1e-9);
    EXPECT_NEAR(rig.cameras[4].place.x, -2 * zone, 1e-9);
    for (const RigCamera& camera : rig.cameras) {
        EXPECT_EQ(camera.place.z, 704.0); // from the panel, 4 mm behind the sheet
        // The window is the display's rectangle seen from the camera.
        EXPECT_NEAR(camera.right - camera.left, 300.0, 1e-9);
        EXPECT_NEAR(camera.top - camera.bottom, 168.75, 1e-9);
        EXPECT_NEAR(camera.place.x + camera.left, -150.0, 1e-9);
        EXPECT_NEAR(camera.shiftX, -camera.place.x / 300.0, 1e-12);
        EXPECT_EQ(camera.shiftY, 0.0);
    }
    EXPECT_NEAR(rig.fieldOfView, 2 * std::atan(150.0 / 704.0) * 180 / CV_PI, 1e-9);
    // Sharp while a point moves at most a lens (2.095 mm) between
    // neighbouring cameras, 704 mm from the panel: z s / (704 - z) = w in
    // front, z s / (704 + z) = w behind.
    const double lens = pitch * Column;
    EXPECT_NEAR(rig.lensWidth, lens, 1e-9);
    EXPECT_NEAR(rig.sharpInFront, lens * 704 / (zone + lens), 1e-9);
    EXPECT_NEAR(rig.sharpBehind, lens * 704 / (zone - lens), 1e-9);
    EXPECT_NEAR(blurAt(rig, rig.sharpInFront), 1.0, 1e-9);
    EXPECT_NEAR(blurAt(rig, -rig.sharpBehind), 1.0, 1e-9);
    EXPECT_EQ(blurAt(rig, 0.0), 0.0);
    EXPECT_NEAR(blurAt(rig, -100.0), zone * 100 / 804 / lens, 1e-9);
    // Farther away the zones widen, in proportion to D + g.
    CameraRig far;
    ASSERT_EQ(cameraRig(foundNumbers(), Measures, Size, Views, 1400.0, far), Status::Done);
    EXPECT_NEAR(far.spacing, 10.0 / Views * Column * 1404.0 / 4.0, 1e-9);
    EXPECT_NEAR(far.numbers.pitch, 10.0 * (1.0 + 4.0 / 1400.0), 1e-9);
}

TEST(CameraRig, WhatGivesNoRigIsRefused)
{
    CameraRig rig;
    const Calibration found = foundNumbers();
    EXPECT_EQ(cameraRig(found, SheetMeasures{0.0, 300.0, 700.0}, Size, Views, 0.0, rig), Status::InvalidPlace);
    EXPECT_EQ(cameraRig(found, SheetMeasures{4.0, 0.0, 700.0}, Size, Views, 0.0, rig), Status::InvalidPlace);
    EXPECT_EQ(cameraRig(found, Measures, Size, 0, 0.0, rig), Status::InvalidPlace);
    EXPECT_EQ(cameraRig(found, Measures, Size, Views, -5.0, rig), Status::InvalidPlace);
    EXPECT_EQ(cameraRig(found, Measures, Size, Views, std::nan(""), rig), Status::InvalidPlace);
    EXPECT_EQ(cameraRig(Calibration{0, 0, 10.0, false}, Measures, Size, Views, 0.0, rig),
              Status::UnsupportedGeometry);
}

// Points of the scene: millimetres right, up and in front of the panel's middle.
struct Ball {
    cv::Point3d centre;
    double radius;
};
const Ball Scene[] = {{{-80, 30, 0}, 6}, {{0, -20, 60}, 6}, {{70, 25, -120}, 8}};

// Where the ray from eye through a point of the display's plane first meets a ball.
bool hits(const cv::Point3d& eye, const cv::Point3d& onPlane)
{
    const cv::Point3d direction = onPlane - eye;
    for (const Ball& ball : Scene) {
        const cv::Point3d towards = ball.centre - eye;
        const double along = towards.dot(direction) / direction.dot(direction);
        const cv::Point3d nearest = eye + along * direction - ball.centre;
        if (along > 0 && nearest.dot(nearest) <= ball.radius * ball.radius)
            return true;
    }
    return false;
}

// A pixel's middle on the display's plane, and back.
cv::Point3d onPlane(double x, double y, double width, double height)
{
    return {(x + 0.5) / Size.width * width - width / 2, height / 2 - (y + 0.5) / Size.height * height, 0.0};
}

cv::Point2d pixelOf(const cv::Point3d& p, double width, double height)
{
    return {(p.x + width / 2) / width * Size.width - 0.5, (height / 2 - p.y) / height * Size.height - 0.5};
}

// One camera's view: a ray from the camera through each pixel of its window
// (the display's rectangle), white where it meets a ball, four rays a pixel.
cv::Mat rayCast(const RigCamera& camera, const CameraRig& rig)
{
    cv::Mat view(Size, CV_8UC3, cv::Scalar::all(0));
    for (int y = 0; y < Size.height; ++y)
        for (int x = 0; x < Size.width; ++x) {
            int lit = 0;
            for (const double dy : {-0.25, 0.25})
                for (const double dx : {-0.25, 0.25})
                    lit += hits(camera.place, onPlane(x + dx, y + dy, rig.width, rig.height));
            view.at<cv::Vec3b>(y, x) = cv::Vec3b::all(static_cast<uchar>(255 * lit / 4));
        }
    return view;
}

// Where an eye sees a ball: the ray from it through the ball's centre at
// the sheet, gap in front of the panel, where the lenses' light comes from.
cv::Point2d seenAt(const cv::Point3d& eye, const Ball& ball, const CameraRig& rig)
{
    const double t = (eye.z - rig.gap) / (eye.z - ball.centre.z);
    return pixelOf(eye + t * (ball.centre - eye), rig.width, rig.height);
}

TEST(CameraRig, ItsViewsInterlacedShowEachEyeItsOwnPerspective)
{
    CameraRig rig;
    ASSERT_EQ(cameraRig(foundNumbers(), Measures, Size, Views, 0.0, rig), Status::Done);
    std::vector<cv::Mat> views;
    for (const RigCamera& camera : rig.cameras)
        views.push_back(rayCast(camera, rig));
    EngineOptions full;
    full.weighting = Weighting::Full;
    cv::Mat panel;
    ASSERT_EQ(interlaceViews(rig.numbers, views, panel, full), Status::Done);
    const LensSheet sheet{Sheet, Views, Measures.gap / Column};
    for (const int view : {1, 3}) {
        const cv::Point3d eye = rig.cameras[view].place;
        cv::Mat seen;
        ASSERT_EQ(seeThroughSheet(sheet, Eye{(eye.z - rig.gap) / Column, eye.x / Column, eye.y / Column}, panel,
                                  seen),
                  Status::Done);
        // Every subpixel's light alike: through a lens one colour shows.
        cv::Mat light;
        cv::Mat grey;
        seen.convertTo(light, CV_32FC3);
        cv::transform(light, grey, cv::Matx13f(1, 1, 1));
        for (const Ball& ball : Scene) {
            // The ball's light about where the eye should see it.
            const cv::Point2d expected = seenAt(eye, ball, rig);
            const int reach = static_cast<int>(3 * ball.radius / rig.width * Size.width);
            const cv::Rect around(cvRound(expected.x) - reach, cvRound(expected.y) - reach, 2 * reach + 1,
                                  2 * reach + 1);
            const cv::Moments m = cv::moments(grey(around));
            ASSERT_GT(m.m00, 0.0) << "view " << view << ": no ball near " << expected;
            const cv::Point2d centroid(around.x + m.m10 / m.m00, around.y + m.m01 / m.m00);
            EXPECT_LT(cv::norm(centroid - expected), 1.0)
                << "view " << view << ", the ball at depth " << ball.centre.z << ": seen at " << centroid
                << ", its own perspective puts it at " << expected;
        }
    }
}

} // namespace

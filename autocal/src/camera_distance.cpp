#include "veltrane/autocal/camera_distance.h"

#include "veltrane/autocal/display_frame.h"
#include "veltrane/autocal/photo_reading.h"

#include <opencv2/calib3d.hpp>

#include <cmath>
#include <vector>

namespace veltrane {

bool cameraDistance(const cv::Mat& photo, cv::Size display, double panelWidth, const CameraLens& lens,
                    double& distance, std::string& problem)
{
    std::vector<cv::Point2f> corners;
    if (!displayCorners(photo, display, corners)) {
        problem = "no display found in the photo (its white frame, whole and upright)";
        return false;
    }
    // The frame's outer edge is the lit area's: its corners are those of
    // the outermost pixels' outer edges.
    const double w = panelWidth / 2.0;
    const double h = w * display.height / display.width;
    const std::vector<cv::Point3d> rectangle = {{-w, -h, 0}, {w, -h, 0}, {w, h, 0}, {-w, h, 0}};
    const double focal = photo.cols / 2.0 / std::tan(lens.fieldOfView * CV_PI / 360.0);
    const cv::Matx33d camera(focal, 0, photo.cols / 2.0, 0, focal, photo.rows / 2.0, 0, 0, 1);
    std::vector<cv::Point2d> seen(corners.begin(), corners.end());
    cv::Vec3d turn;
    cv::Vec3d shift;
    if (!cv::solvePnP(rectangle, seen, camera, cv::noArray(), turn, shift, false, cv::SOLVEPNP_IPPE)) {
        problem = "the display's outline in the photo gives no camera place";
        return false;
    }
    // The camera's place in the display's frame, and its distance from the
    // display's plane.
    cv::Matx33d rotation;
    cv::Rodrigues(turn, rotation);
    const cv::Vec3d place = -(rotation.t() * shift);
    distance = std::fabs(place[2]);
    if (!(distance >= 10.0 && distance <= 100000.0)) {
        problem = "the display's outline in the photo gives no distance from 10 mm to 100 m";
        return false;
    }
    return true;
}

} // namespace veltrane

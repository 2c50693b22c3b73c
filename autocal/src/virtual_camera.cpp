#include "veltrane/autocal/virtual_camera.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace veltrane {

namespace {

// Display pixels to photo pixels: the display (centred on the optical
// axis, turned by yaw, tilt and roll) seen by a pinhole camera twice its
// width away, filling about 70 % of the photo's width; or, with a field of
// view, at the camera's distance through a lens of that view.
cv::Matx33d displayToPhoto(const VirtualCamera& camera, cv::Size display, cv::Size photo)
{
    const double d2r = CV_PI / 180.0;
    const double a = camera.yaw * d2r, b = camera.tilt * d2r, c = camera.roll * d2r;
    const cv::Matx33d yaw(std::cos(a), 0, std::sin(a), 0, 1, 0, -std::sin(a), 0, std::cos(a));
    const cv::Matx33d tilt(1, 0, 0, 0, std::cos(b), -std::sin(b), 0, std::sin(b), std::cos(b));
    const cv::Matx33d roll(std::cos(c), -std::sin(c), 0, std::sin(c), std::cos(c), 0, 0, 0, 1);
    const cv::Matx33d r = roll * tilt * yaw;
    const bool lens = camera.fieldOfView > 0.0;
    const double away = lens ? camera.distance / 3.0 : 2.0 * display.width; // a pixel is three subpixel columns
    const double focal = lens ? photo.width / 2.0 / std::tan(camera.fieldOfView * d2r / 2.0)
                              : 0.7 * photo.width * away / display.width;
    const cv::Matx33d intrinsic(focal, 0, photo.width / 2.0, 0, focal, photo.height / 2.0, 0, 0, 1);
    const cv::Matx33d plane(r(0, 0), r(0, 1), 0, r(1, 0), r(1, 1), 0, r(2, 0), r(2, 1), away);
    const cv::Matx33d centred(1, 0, -display.width / 2.0, 0, 1, -display.height / 2.0, 0, 0, 1);
    return intrinsic * plane * centred;
}

} // namespace

Status photograph(const VirtualCamera& camera, const cv::Mat& shown, cv::Mat& photo)
{
    cv::Mat seen;
    const Status status = seeThroughSheet(camera.sheet, Eye{camera.distance, 0.0}, shown, seen);
    if (status != Status::Done)
        return status;
    const cv::Size size = camera.photo.area() > 0 ? camera.photo : cv::Size(shown.cols * 5 / 4, shown.rows * 5 / 4);
    cv::Mat taken;
    cv::warpPerspective(seen, taken, cv::Mat(displayToPhoto(camera, shown.size(), size)), size, cv::INTER_LINEAR,
                        cv::BORDER_CONSTANT, cv::Scalar::all(20));
    cv::Mat light;
    taken.convertTo(light, CV_32FC3, 1.0 / 255);
    if (camera.blur > 0.0)
        cv::GaussianBlur(light, light, cv::Size(), camera.blur);
    cv::pow(light, camera.gamma, light);
    if (camera.vignetting > 0.0) {
        const cv::Point2d middle(size.width / 2.0, size.height / 2.0);
        const double corner = middle.x * middle.x + middle.y * middle.y;
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x) {
                const double r2 = (x - middle.x) * (x - middle.x) + (y - middle.y) * (y - middle.y);
                light.at<cv::Vec3f>(y, x) *= static_cast<float>(1.0 - camera.vignetting * r2 / corner);
            }
    }
    if (camera.noise > 0.0) {
        cv::Mat grain(size, CV_32FC3);
        cv::RNG(camera.seed).fill(grain, cv::RNG::NORMAL, 0.0, camera.noise / 255.0);
        light += grain;
    }
    light.convertTo(photo, CV_8UC3, 255.0);
    return Status::Done;
}

bool VirtualCameraPhotos::take(const cv::Mat& pattern, cv::Mat& photo, std::string& problem)
{
    camera_.seed += 1;
    if (photograph(camera_, pattern, photo) == Status::Done)
        return true;
    problem = "the virtual camera's sheet cannot be seen through (its lenses are all but horizontal)";
    return false;
}

} // namespace veltrane

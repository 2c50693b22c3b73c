#include "veltrane/autocal/virtual_camera.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <vector>

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

// Photo pixels a display pixel spans about the display's middle.
double photoPixelsADisplayPixel(const cv::Matx33d& toPhoto, cv::Size display)
{
    auto project = [&](double x, double y) {
        const cv::Vec3d p = toPhoto * cv::Vec3d(x, y, 1.0);
        return cv::Point2d(p[0] / p[2], p[1] / p[2]);
    };
    const double x = display.width / 2.0;
    const double y = display.height / 2.0;
    return cv::norm(project(x + 0.5, y) - project(x - 0.5, y));
}

// What the screen sends the camera, in linear light at the display's
// pixels: the display's light, the room's on its glass, and a reflection's
// soft band across it.
cv::Mat screenLight(const VirtualCamera& camera, const cv::Mat& seen)
{
    cv::Mat light;
    seen.convertTo(light, CV_32FC3, 1.0 / 255);
    cv::pow(light, 2.2, light);
    light += cv::Scalar::all(camera.glare);
    if (camera.reflection > 0.0) {
        cv::RNG random(camera.seed * 7919u + 13u);
        const cv::Point2d through(random.uniform(0.2, 0.8) * seen.cols, random.uniform(0.2, 0.8) * seen.rows);
        const double angle = random.uniform(0.0, CV_PI);
        const cv::Point2d normal(-std::sin(angle), std::cos(angle));
        const double width = 0.06 * seen.cols;
        for (int y = 0; y < light.rows; ++y) {
            cv::Vec3f* row = light.ptr<cv::Vec3f>(y);
            for (int x = 0; x < light.cols; ++x) {
                const double d = (x - through.x) * normal.x + (y - through.y) * normal.y;
                row[x] += cv::Vec3f::all(static_cast<float>(camera.reflection * std::exp(-d * d / (2 * width * width))));
            }
        }
    }
    return light;
}

// The room around the display, in linear light at the photo's pixels: even,
// or (textured) lit unevenly and full of things, a window among them.
cv::Mat roomLight(const VirtualCamera& camera, cv::Size size)
{
    cv::Mat room(size, CV_32FC3, cv::Scalar::all(camera.surround));
    if (!camera.textured)
        return room;
    cv::RNG random(camera.seed * 104729u + 7u);
    // Light falling unevenly: a slow field of a few tens of per cent, and a finer grain.
    for (const int cells : {5, 40}) {
        cv::Mat field(cells * size.height / size.width + 2, cells + 2, CV_32FC3);
        random.fill(field, cv::RNG::NORMAL, 0.0, cells == 5 ? 0.5 : 0.25);
        cv::resize(field, field, size, 0, 0, cv::INTER_CUBIC);
        cv::exp(field, field);
        room = room.mul(field);
    }
    // Things: shelves, frames, a lamp, a window, in colours of their own.
    const int things = random.uniform(6, 14);
    for (int i = 0; i < things; ++i) {
        const int w = random.uniform(size.width / 20, size.width / 4);
        const int h = random.uniform(size.height / 20, size.height / 3);
        const cv::Rect thing(random.uniform(0, size.width - w), random.uniform(0, size.height - h), w, h);
        const bool window = i == 0;
        const double level = window ? random.uniform(0.3, 0.9) : camera.surround * random.uniform(0.2, 3.0);
        const cv::Scalar colour(level * random.uniform(0.6, 1.0), level * random.uniform(0.6, 1.0),
                                level * random.uniform(0.6, 1.0));
        room(thing).setTo(colour);
    }
    return room;
}

} // namespace

Status photograph(const VirtualCamera& camera, const cv::Mat& shown, cv::Mat& photo)
{
    cv::Mat seen;
    const Status status = seeThroughSheet(camera.sheet, Eye{camera.distance, 0.0}, shown, seen);
    if (status != Status::Done)
        return status;
    const cv::Size size = camera.photo.area() > 0 ? camera.photo : cv::Size(shown.cols * 5 / 4, shown.rows * 5 / 4);
    const cv::Mat toPhoto(displayToPhoto(camera, shown.size(), size));
    // The lens blurs what the pixels then take: the screen at its own
    // pixels, as many of them as a photo pixel's blur spans.
    cv::Mat screen = screenLight(camera, seen);
    cv::Mat covered(shown.size(), CV_32F, cv::Scalar(1.0));
    const double displayBlur = camera.blur / photoPixelsADisplayPixel(toPhoto, shown.size());
    if (displayBlur > 0.0) {
        cv::GaussianBlur(screen, screen, cv::Size(), displayBlur, 0, cv::BORDER_CONSTANT);
        cv::GaussianBlur(covered, covered, cv::Size(), displayBlur, 0, cv::BORDER_CONSTANT);
    }
    cv::Mat light;
    cv::warpPerspective(screen, light, toPhoto, size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    cv::warpPerspective(covered, covered, toPhoto, size, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(0));
    cv::Mat room = roomLight(camera, size);
    if (camera.blur > 0.0)
        cv::GaussianBlur(room, room, cv::Size(), camera.blur);
    cv::Mat uncovered;
    cv::subtract(cv::Scalar(1.0), covered, uncovered);
    cv::Mat uncovered3;
    cv::merge(std::vector<cv::Mat>(3, uncovered), uncovered3);
    light += room.mul(uncovered3);
    if (camera.vignetting > 0.0) {
        const cv::Point2d middle(size.width / 2.0, size.height / 2.0);
        const double corner = middle.x * middle.x + middle.y * middle.y;
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x) {
                const double r2 = (x - middle.x) * (x - middle.x) + (y - middle.y) * (y - middle.y);
                light.at<cv::Vec3f>(y, x) *= static_cast<float>(1.0 - camera.vignetting * r2 / corner);
            }
    }
    cv::pow(light, camera.gamma / 2.2, light);
    if (camera.noise > 0.0) {
        cv::Mat grain(size, CV_32FC3);
        cv::RNG(camera.seed).fill(grain, cv::RNG::NORMAL, 0.0, camera.noise / 255.0);
        light += grain;
    }
    light.convertTo(photo, CV_8UC3, 255.0);
    if (camera.jpegQuality > 0) {
        std::vector<uchar> stored;
        cv::imencode(".jpg", photo, stored, {cv::IMWRITE_JPEG_QUALITY, camera.jpegQuality});
        photo = cv::imdecode(stored, cv::IMREAD_COLOR);
    }
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

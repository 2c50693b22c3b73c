#include "veltrane/tracking/virtual_webcam.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// The affine map from the camera's pixels to a picture's pixels, for a
// picture standing in the plane at distance from the display, millimetresPerPixel
// on it, its point anchor at the scene's point (x, y). A camera pixel u to
// the right of the centre looks at x = camera.x - (u - centre) distance / f;
// the picture, seen from the front, has the scene's right on its left.
cv::Matx23d cameraToPicture(const VirtualWebcamOptions& options, double distance, double millimetresPerPixel,
                            cv::Point2d anchor, double x, double y)
{
    const double focal = focalPixels(options.camera, options.size.width);
    const cv::Point2d centre = imageCentre(options.size);
    const double scale = distance / focal / millimetresPerPixel; // picture pixels a camera pixel
    // scene x(u) = camera.x - (u - cu) D/f; picture u' = anchor.x - (x(u) - x) / mm
    // scene y(v) = camera.y - (v - cv) D/f; picture v' = anchor.y - (y(v) - y) / mm
    return cv::Matx23d(scale, 0.0, anchor.x - (options.camera.x - x) / millimetresPerPixel - scale * centre.x,
                       0.0, scale, anchor.y - (options.camera.y - y) / millimetresPerPixel - scale * centre.y);
}

// A wall of plaster and shadow: smooth random shading, the same every frame.
cv::Mat wallTexture()
{
    cv::Mat coarse(24, 32, CV_8UC3);
    cv::RNG rng(7);
    rng.fill(coarse, cv::RNG::UNIFORM, cv::Scalar::all(70), cv::Scalar::all(200));
    cv::Mat wall;
    cv::resize(coarse, wall, cv::Size(1280, 960), 0, 0, cv::INTER_CUBIC);
    return wall;
}

bool usable(const FacePhoto& face, const VirtualWebcamOptions& options, const std::vector<VirtualHead>& heads)
{
    if (face.image.empty() || face.image.type() != CV_8UC3 || options.size.width < 16 || options.size.height < 16 ||
        !(options.camera.fieldOfView > 0.0 && options.camera.fieldOfView < 170.0) ||
        !(options.wallDistance > 0.0) || !(options.blur >= 0.0) || !(options.noise >= 0.0))
        return false;
    const double photoSpacing = cv::norm(face.eyes.second - face.eyes.first);
    if (!(photoSpacing > 1.0))
        return false;
    return std::all_of(heads.begin(), heads.end(), [&](const VirtualHead& head) {
        return head.place.distance > 0.0 && head.place.distance < options.wallDistance && head.ipd > 0.0 &&
               std::isfinite(head.place.offset) && std::isfinite(head.place.height);
    });
}

} // namespace

cv::Mat virtualWebcamFrame(const FacePhoto& face, const std::vector<VirtualHead>& heads,
                           const VirtualWebcamOptions& options, unsigned seed)
{
    if (!usable(face, options, heads))
        return cv::Mat();
    static const cv::Mat wall = wallTexture();
    cv::Mat frame;
    // The wall: 4 mm a texture pixel, its middle straight ahead of the display's.
    cv::warpAffine(wall, frame,
                   cameraToPicture(options, options.wallDistance, 4.0, cv::Point2d(640, 480), 0.0, 0.0),
                   options.size, cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REFLECT);
    std::vector<VirtualHead> farthestFirst = heads;
    std::sort(farthestFirst.begin(), farthestFirst.end(),
              [](const VirtualHead& a, const VirtualHead& b) { return a.place.distance > b.place.distance; });
    const cv::Point2d photoMiddle = 0.5 * (face.eyes.first + face.eyes.second);
    const double photoSpacing = cv::norm(face.eyes.second - face.eyes.first);
    for (const VirtualHead& head : farthestFirst)
        cv::warpAffine(face.image, frame,
                       cameraToPicture(options, head.place.distance, head.ipd / photoSpacing, photoMiddle,
                                       head.place.offset, head.place.height),
                       options.size, cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_TRANSPARENT);
    if (options.blur > 0.0)
        cv::GaussianBlur(frame, frame, cv::Size(), options.blur);
    if (options.noise > 0.0) {
        cv::Mat noise(frame.size(), CV_16SC3);
        cv::RNG rng(seed);
        rng.fill(noise, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(options.noise));
        cv::Mat noisy;
        frame.convertTo(noisy, CV_16SC3);
        noisy += noise;
        noisy.convertTo(frame, CV_8UC3); // saturated
    }
    return frame;
}

} // namespace veltrane

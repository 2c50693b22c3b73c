#include "veltrane/tracking/webcam.h"

#include <cmath>

namespace veltrane {

double focalPixels(const WebcamPlace& camera, int width)
{
    return 0.5 * width / std::tan(0.5 * camera.fieldOfView * CV_PI / 180.0);
}

cv::Point2d imageCentre(cv::Size image)
{
    return cv::Point2d(0.5 * (image.width - 1), 0.5 * (image.height - 1)); // pixels' centres at whole numbers
}

ViewerPlace placeOfEyes(const EyePair& eyes, cv::Size image, const WebcamPlace& camera, double ipd)
{
    const double focal = focalPixels(camera, image.width);
    const cv::Point2d between = eyes.second - eyes.first;
    const double spacing = std::hypot(between.x, between.y);
    const double distance = focal * ipd / spacing;
    const cv::Point2d middle = 0.5 * (eyes.first + eyes.second);
    const cv::Point2d centre = imageCentre(image);
    // The image's x runs to the viewer's left, its y down.
    return ViewerPlace{camera.x - (middle.x - centre.x) * distance / focal,
                       camera.y - (middle.y - centre.y) * distance / focal, distance};
}

} // namespace veltrane

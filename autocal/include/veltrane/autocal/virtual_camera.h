// A camera that photographs a display through a simulated lens sheet: what
// it would see from its distance, put into a photo in perspective, blurred,
// with the gamma, vignetting and noise of a real one. The calibration from
// photographs runs on it without a display or a camera.
#pragma once

#include "veltrane/autocal/photo_rounds.h"
#include "veltrane/simulator/lens_view.h"

#include <opencv2/core.hpp>

#include <string>

namespace veltrane {

struct VirtualCamera {
    LensSheet sheet;           // the display's true sheet
    double distance = 20000.0; // from the sheet, in subpixel columns, straight in front of the middle
    double yaw = 0.0;          // the display turned about its upright axis, degrees
    double tilt = 0.0;         // and about its level axis
    double roll = 0.0;         // and in its plane
    double blur = 0.0;         // Gaussian, sigma in photo pixels
    double noise = 0.0;        // Gaussian, sigma in 255ths
    double gamma = 1.0;
    double vignetting = 0.0;   // the share of brightness lost in the photo's corners
    unsigned seed = 1;
    // The lens's horizontal field of view, degrees: the display seen from
    // its distance through it. 0: the display seen from twice its width,
    // about 70 % of the photo's width, whatever its distance.
    double fieldOfView = 0.0;
    cv::Size photo;            // default: a quarter larger than the display
};

// The photo (8UC3) of a display that shows `shown`.
Status photograph(const VirtualCamera& camera, const cv::Mat& shown, cv::Mat& photo);

// The virtual camera as the rounds' photos, each with noise of its own.
class VirtualCameraPhotos : public PhotoSource {
public:
    explicit VirtualCameraPhotos(const VirtualCamera& camera) : camera_(camera) {}
    bool take(const cv::Mat& pattern, cv::Mat& photo, std::string& problem) override;

private:
    VirtualCamera camera_;
};

} // namespace veltrane

// A camera that photographs a display through a simulated lens sheet: what
// it would see from its distance, put into a photo in perspective, blurred
// by its lens before its pixels take it, in a room dark or lit, plain or
// full of things, a reflection on the screen's glass, with the tone curve,
// vignetting, noise and JPEG of a real one. The calibration from
// photographs runs on it without a display or a camera.
//
// Light is added in linear terms: the display's pixel values are its light
// to the power 2.2 (a display's gamma); the camera writes light L as
// L^(gamma / 2.2), so gamma 1 gives back the display's values, a camera
// encoding of 1/2.2 (sRGB's, near enough) over a display of 2.2.
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
    double gamma = 1.0;        // the display's values to the photo's: 2.2 over the camera's encoding gamma
    double vignetting = 0.0;   // the share of brightness lost in the photo's corners
    // The room around the display, in linear light (a white pixel 1): the
    // default a dark room, 20 of 255 in the photo at gamma 1; 0.03 a lit
    // one (about 55), 0.2 a mid-grey wall.
    double surround = 0.0037;
    bool textured = false;     // the room in patches and shapes of many brightnesses about surround
    double glare = 0.0;        // light of the room on the screen's glass, linear, over the whole screen
    double reflection = 0.0;   // a lamp's or window's reflection: a soft band across the screen, linear at its top
    int jpegQuality = 0;       // the photo stored as JPEG of this quality (0: not)
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

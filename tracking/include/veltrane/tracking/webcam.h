// Where a webcam beside the display stands and what it sees: the viewer's
// place from the eyes in its image. Lengths in millimetres, in the display's
// frame: x to the viewer's right as they face the display, y up, z from the
// display towards the viewer, the origin at the panel's middle. The camera
// stands in the display's plane and looks straight out of it, at the viewer,
// its image not mirrored: what is at the viewer's right is at the image's
// left.
#pragma once

#include "veltrane/engine/viewer_place.h"

#include <opencv2/core.hpp>

namespace veltrane {

struct WebcamPlace {
    double x = 0.0;             // the lens's place, right of the panel's middle
    double y = 0.0;             // and above it
    double fieldOfView = 60.0;  // horizontal, degrees (0, 170)
};

// The eyes' centres in the camera's image, in pixels, the one nearer the
// image's left first (the viewer's right eye).
struct EyePair {
    cv::Point2d first;
    cv::Point2d second;
};

// The focal length in pixels of a camera whose image is width pixels wide.
double focalPixels(const WebcamPlace& camera, int width);

// Where the camera's axis meets its image (pixels' centres at whole numbers).
cv::Point2d imageCentre(cv::Size image);

// The eyes' midpoint in millimetres, the face taken as parallel to the
// display and its eyes ipd apart: from their spacing in the image, the
// distance; from their midpoint, the place sideways and up.
ViewerPlace placeOfEyes(const EyePair& eyes, cv::Size image, const WebcamPlace& camera, double ipd);

} // namespace veltrane

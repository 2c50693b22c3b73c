// A webcam for tests and demonstrations: a photograph of a face, stood up as
// a flat cut-out at a head's place in front of the display, before a wall,
// seen through a pinhole camera at its place (webcam.h), with a lens's blur
// and a sensor's noise.
#pragma once

#include "veltrane/tracking/webcam.h"

#include <vector>

namespace veltrane {

// A photograph of a face seen from the front, and where its eyes are in it.
struct FacePhoto {
    cv::Mat image; // 8-bit, 3 channels (blue first, as OpenCV reads)
    EyePair eyes;  // in its pixels
};

// A head in the scene: its eyes' midpoint, and their spacing, in millimetres.
struct VirtualHead {
    ViewerPlace place;
    double ipd = 63.0;
};

struct VirtualWebcamOptions {
    WebcamPlace camera;
    cv::Size size{640, 480};
    double blur = 1.0;          // the lens's, a Gaussian's sigma in pixels (0: none)
    double noise = 3.0;         // the sensor's, a Gaussian's sigma in grey levels (0: none)
    double wallDistance = 2500; // millimetres from the display
};

// The frame the camera takes of heads (drawn the farthest first, so a nearer
// one hides it), its noise drawn from seed. Empty for options or heads that
// are none.
cv::Mat virtualWebcamFrame(const FacePhoto& face, const std::vector<VirtualHead>& heads,
                           const VirtualWebcamOptions& options, unsigned seed);

} // namespace veltrane

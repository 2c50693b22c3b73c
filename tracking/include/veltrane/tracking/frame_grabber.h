// Where a tracker's frames come from: a camera through OpenCV's videoio, or
// the virtual webcam along a path of head places.
#pragma once

#include "veltrane/tracking/virtual_webcam.h"

#include <opencv2/videoio.hpp>

#include <functional>
#include <memory>
#include <string>

namespace veltrane {

// Seconds on the steady clock, the time frames are stamped with.
double steadySeconds();

class FrameGrabber {
public:
    virtual ~FrameGrabber() = default;
    // The next frame, waiting for it as a camera does, and the time it came;
    // false once no more come (the camera stopped, or was unplugged).
    virtual bool grab(cv::Mat& frame, double& time) = 0;
};

// Camera index, opened through cv::VideoCapture. Null, problem saying why in
// one line, when it cannot be opened or gives no frame.
std::unique_ptr<FrameGrabber> openCamera(int index, std::string& problem);

// The heads in front of the display at a time, seconds from the start.
using HeadPath = std::function<std::vector<VirtualHead>(double seconds)>;

struct VirtualCameraSettings {
    VirtualWebcamOptions webcam;
    double rate = 30.0;  // frames a second
    double delay = 0.05; // seconds from the scene to its frame
    long frames = -1;    // after these, no more (-1: no end)
};

// The virtual webcam at its rate: each frame shows the heads where the path
// had them delay before the frame comes.
std::unique_ptr<FrameGrabber> virtualCamera(const FacePhoto& face, HeadPath path,
                                            const VirtualCameraSettings& settings);

} // namespace veltrane

#include "veltrane/player/head_tracking.h"

#include "veltrane/records/view_files.h"

#include <cmath>

namespace veltrane {

HeadPath virtualHeadPath(const TrackOptions& options, const WebcamPlace& camera)
{
    const double height = camera.y - 40.0;
    const double ipd = options.ipd;
    if (options.still) {
        VirtualHead head{*options.still, ipd};
        return [head](double) { return std::vector<VirtualHead>{head}; };
    }
    return [height, ipd](double seconds) {
        const double turn = 2.0 * CV_PI * seconds;
        return std::vector<VirtualHead>{
            VirtualHead{ViewerPlace{200.0 * std::sin(turn / 8.0), height, 700.0 + 200.0 * std::sin(turn / 11.0)},
                        ipd}};
    };
}

WebcamPlace trackingCamera(const TrackOptions& options, cv::Size size, double panelWidth)
{
    WebcamPlace camera;
    camera.fieldOfView = options.fieldOfView;
    if (options.cameraAt) {
        camera.x = options.cameraAt->x;
        camera.y = options.cameraAt->y;
    } else {
        camera.y = 0.5 * panelWidth * size.height / size.width; // square pixels
    }
    return camera;
}

namespace {

bool faceOfPhoto(const std::string& file, EyeFinder finder, FacePhoto& face, std::string& problem)
{
    std::string why;
    face.image = loadViewImage(file, why);
    if (face.image.empty()) {
        problem = "the virtual webcam's face photo " + file + " cannot be read" + (why.empty() ? "" : ": " + why) +
                  " (python3-skimage has the default one; or give --face-photo=FILE)";
        return false;
    }
    const std::optional<EyePair> eyes = finder.find(face.image);
    if (!eyes) {
        problem = "no face with two open eyes is found in " + file;
        return false;
    }
    face.eyes = *eyes;
    return true;
}

} // namespace

std::unique_ptr<HeadTracker> startTracking(const TrackOptions& options, const WebcamPlace& camera,
                                           const ViewerPlace& rest, std::string& problem)
{
    EyeFinder finder;
    if (!finder.load()) {
        problem = finder.problem();
        return nullptr;
    }
    std::unique_ptr<FrameGrabber> grabber;
    if (options.simulated) {
        FacePhoto face;
        if (!faceOfPhoto(options.facePhoto, finder, face, problem))
            return nullptr;
        VirtualCameraSettings settings;
        settings.webcam.camera = camera;
        grabber = virtualCamera(face, virtualHeadPath(options, camera), settings);
    } else {
        grabber = openCamera(options.camera, problem);
        if (!grabber)
            return nullptr;
    }
    TrackerSettings settings;
    settings.camera = camera;
    settings.ipd = options.ipd;
    return std::make_unique<HeadTracker>(std::move(grabber), EyeFinder(finder), settings, rest);
}

} // namespace veltrane

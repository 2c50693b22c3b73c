// The options of veltrane-play: what veltrane-interlace takes to say what is
// shown and how, or --image for a frame interlaced already; --screen as the
// calibrator takes it, and --save for the record of the numbers tuned.
#pragma once

#include "veltrane/content/source_options.h"

#include <optional>
#include <string>

namespace veltrane {

// --track: the viewer's head followed with a camera, or with the virtual
// webcam (a head still at a place, or swaying in front of the display).
struct TrackOptions {
    bool on = false;
    int camera = -1;                  // --track=N
    bool simulated = false;           // --track=sim[:X,D[,Y]]
    std::optional<ViewerPlace> still; // the virtual head's place; none: it sways
    std::string facePhoto;            // the virtual webcam's face
    double ipd = 63.0;                // --ipd, millimetres
    std::optional<cv::Point2d> cameraAt; // --camera-at=X,Y; none: the middle of the panel's top edge
    double fieldOfView = 60.0;        // --camera-fov, degrees
};

struct PlayOptions {
    SourceOptions source; // calibration, content, size, order, phase, frame rate; tiles nearest by default
    std::string image;       // an interlaced image shown as it is, instead of content
    std::string screen;      // --screen: index, name or geometry
    std::string save;        // the record written when the player ends
    bool contain = false;    // content of another shape kept whole, black around it (else stretched)
    bool listScreens = false;
    bool gpu = false;        // composed on the GPU into the window
    TrackOptions track;
};


// Help fills text with the usage, Invalid with one line for the user.
Parse parsePlayOptions(int argc, const char* const* argv, PlayOptions& options, std::string& text);

} // namespace veltrane

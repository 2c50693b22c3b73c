// The tracker --track asks for: a camera or the virtual webcam, the face
// detector's cascades, the camera's place and field of view.
#pragma once

#include "veltrane/player/play_options.h"
#include "veltrane/tracking/head_tracker.h"

#include <memory>
#include <string>

namespace veltrane {

// Where the virtual webcam's head is at a time: still at a place, or
// swaying (sideways 200 mm either way, from 500 to 900 mm away, 40 mm below
// the camera) on a round of a few seconds.
HeadPath virtualHeadPath(const TrackOptions& options, const WebcamPlace& camera);

// The camera's place: --camera-at, or the middle of the top edge of a panel
// of size pixels, panelWidth millimetres wide.
WebcamPlace trackingCamera(const TrackOptions& options, cv::Size size, double panelWidth);

// The tracker running, resting at rest; null with one line in problem when
// the cascades, the camera or the face photo cannot be had.
std::unique_ptr<HeadTracker> startTracking(const TrackOptions& options, const WebcamPlace& camera,
                                           const ViewerPlace& rest, std::string& problem);

} // namespace veltrane

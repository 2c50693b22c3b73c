// Head tracking on a thread of its own, at the camera's pace: each frame's
// eyes found, the viewer's place from them put into the filter; whoever
// shows frames asks for the place at the moment it composes, and never
// waits for the camera.
#pragma once

#include "veltrane/tracking/eye_finder.h"
#include "veltrane/tracking/frame_grabber.h"
#include "veltrane/tracking/head_filter.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace veltrane {

struct TrackerSettings {
    WebcamPlace camera;
    double ipd = 63.0; // the viewer's eyes' spacing, millimetres
    HeadFilterSettings filter;
};

class HeadTracker {
public:
    // Tracks from the frames of grabber with the finder's cascades, resting
    // at rest until a face is seen. The thread starts at once.
    HeadTracker(std::unique_ptr<FrameGrabber> grabber, EyeFinder finder, const TrackerSettings& settings,
                const ViewerPlace& rest);
    ~HeadTracker(); // stops the thread, after the frame it waits for
    HeadTracker(const HeadTracker&) = delete;
    HeadTracker& operator=(const HeadTracker&) = delete;

    // The place at time (steadySeconds()).
    TrackedPlace placeAt(double time) const;

    // True once the camera gives no more frames; the place then eases back.
    bool cameraStopped() const { return stopped_; }

    // Frames looked at, and those in which a face was found.
    long framesSeen() const { return seen_; }
    long facesFound() const { return found_; }

    // The newest frame with a face: when it came, and when its place was in
    // the filter (steadySeconds(); 0 before the first).
    double lastFrameTime() const;
    double lastPlaceTime() const;

private:
    void run();

    std::unique_ptr<FrameGrabber> grabber_;
    EyeFinder finder_;
    TrackerSettings settings_;
    mutable std::mutex mutex_; // over filter_ and the times
    HeadFilter filter_;
    double frameTime_ = 0.0;
    double placeTime_ = 0.0;
    std::atomic<bool> stopped_{false};
    std::atomic<bool> ending_{false};
    std::atomic<long> seen_{0};
    std::atomic<long> found_{0};
    std::thread thread_;
};

} // namespace veltrane

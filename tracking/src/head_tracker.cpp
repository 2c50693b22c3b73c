#include "veltrane/tracking/head_tracker.h"

#include <chrono>
#include <cmath>

namespace veltrane {

HeadTracker::HeadTracker(std::unique_ptr<FrameGrabber> grabber, EyeFinder finder, const TrackerSettings& settings,
                         const ViewerPlace& rest)
    : grabber_(std::move(grabber)), finder_(std::move(finder)), settings_(settings), filter_(rest, settings.filter),
      thread_([this] { run(); })
{
}

HeadTracker::~HeadTracker()
{
    ending_ = true;
    thread_.join();
}

void HeadTracker::run()
{
    // A camera that gives no frame this many times in a row, a tenth of a
    // second apart, has stopped.
    constexpr int FailuresToStop = 5;
    cv::Mat frame;
    double time = 0.0;
    int failures = 0;
    while (!ending_) {
        if (!grabber_->grab(frame, time)) {
            if (++failures >= FailuresToStop) {
                stopped_ = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        failures = 0;
        ++seen_;
        const std::optional<EyePair> eyes = finder_.find(frame);
        if (!eyes)
            continue;
        const ViewerPlace place = placeOfEyes(*eyes, frame.size(), settings_.camera, settings_.ipd);
        if (!(place.distance > 0.0) || !std::isfinite(place.offset) || !std::isfinite(place.height))
            continue;
        ++found_;
        const std::lock_guard<std::mutex> lock(mutex_);
        filter_.measured(place, time);
        frameTime_ = time;
        placeTime_ = steadySeconds();
    }
}

TrackedPlace HeadTracker::placeAt(double time) const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return filter_.at(time);
}

double HeadTracker::lastFrameTime() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return frameTime_;
}

double HeadTracker::lastPlaceTime() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return placeTime_;
}

} // namespace veltrane

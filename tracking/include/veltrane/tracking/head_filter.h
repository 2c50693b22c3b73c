// The viewer's place from a camera's measures of it: smoothed, carried
// forward by its motion to the moment it is asked for (so the camera's
// delay is not seen), held where it was last seen when the face is lost,
// and after a while eased back to a place of rest (the calibration's own).
#pragma once

#include "veltrane/engine/viewer_place.h"

namespace veltrane {

enum class TrackState {
    Resting,  // nothing seen yet, or eased back: the place of rest
    Tracking, // the face seen
    Holding,  // lost a moment ago: its last place
    Easing,   // lost a while: on its way back to the place of rest
};

struct TrackedPlace {
    ViewerPlace place;
    TrackState state = TrackState::Resting;
};

struct HeadFilterSettings {
    double smoothing = 0.5;  // the share of a measure's surprise taken at once, (0, 1]
    double motion = 0.15;    // the share of it taken into the velocity, [0, 1)
    double latency = 0.05;   // seconds from the scene to the camera's frame: predicted over
    double farthest = 0.15;  // seconds a place is carried forward by its motion, at most
    double hold = 1.0;       // seconds a lost face's place is held
    double ease = 1.0;       // seconds of the way back to rest
};

class HeadFilter {
public:
    explicit HeadFilter(const ViewerPlace& rest, const HeadFilterSettings& settings = {});

    // The place measured in a frame taken at time (seconds, increasing).
    void measured(const ViewerPlace& place, double time);

    // The place to show at time: predicted, held or easing back.
    TrackedPlace at(double time) const;

    // Forgets the face: the place of rest from now until a face is measured.
    void reset();

private:
    struct Axis {
        double value = 0.0;
        double velocity = 0.0; // per second
        void update(double measure, double elapsed, const HeadFilterSettings& settings);
    };

    ViewerPlace rest_;
    HeadFilterSettings settings_;
    Axis axes_[3]; // offset, height, distance
    double lastTime_ = 0.0;
    bool seen_ = false;
};

} // namespace veltrane

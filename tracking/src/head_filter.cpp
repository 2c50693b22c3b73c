#include "veltrane/tracking/head_filter.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// Farther than this from the prediction in one frame, a measure is a new
// face, or the face found again: taken as it is.
constexpr double Jump = 150.0;
// A face unseen this long is lost: held, its motion no longer carried on.
constexpr double LostAfter = 0.25;
// Frames that come closer together than this (a camera's queue emptied at
// once after a slow step) are taken as this far apart: a velocity from a
// millimetre's noise over a millisecond is none.
constexpr double ShortestStep = 1.0 / 60.0;

ViewerPlace blend(const ViewerPlace& from, const ViewerPlace& to, double share)
{
    const double eased = share * share * (3.0 - 2.0 * share); // no jolt at either end
    return ViewerPlace{from.offset + (to.offset - from.offset) * eased,
                       from.height + (to.height - from.height) * eased,
                       from.distance + (to.distance - from.distance) * eased};
}

} // namespace

HeadFilter::HeadFilter(const ViewerPlace& rest, const HeadFilterSettings& settings)
    : rest_(rest), settings_(settings)
{
}

void HeadFilter::reset()
{
    seen_ = false;
}

void HeadFilter::Axis::update(double measure, double elapsed, const HeadFilterSettings& settings)
{
    // An alpha-beta filter: the prediction corrected by a share of the surprise.
    const double predicted = value + velocity * std::min(elapsed, settings.farthest);
    const double surprise = measure - predicted;
    value = predicted + settings.smoothing * surprise;
    velocity += settings.motion * surprise / std::max(elapsed, ShortestStep);
}

void HeadFilter::measured(const ViewerPlace& place, double time)
{
    const double measures[3] = {place.offset, place.height, place.distance};
    const double elapsed = time - lastTime_;
    const bool lostAWhile = !seen_ || elapsed > settings_.hold || !(elapsed > 0.0);
    bool jumped = false;
    const bool lost = elapsed > LostAfter;
    for (int axis = 0; axis < 3 && !lostAWhile; ++axis) {
        if (lost) { // found again where it was held: from there, at rest
            axes_[axis].value += axes_[axis].velocity * std::min(LostAfter + settings_.latency, settings_.farthest);
            axes_[axis].velocity = 0.0;
        }
        jumped = jumped ||
                 std::abs(measures[axis] - axes_[axis].value -
                          axes_[axis].velocity * std::min(elapsed, settings_.farthest)) > Jump;
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (lostAWhile || jumped)
            axes_[axis] = Axis{measures[axis], 0.0};
        else
            axes_[axis].update(measures[axis], elapsed, settings_);
    }
    lastTime_ = time;
    seen_ = true;
}

TrackedPlace HeadFilter::at(double time) const
{
    if (!seen_)
        return TrackedPlace{rest_, TrackState::Resting};
    const double since = time - lastTime_;
    // The place when the frame was taken is latency before its time: carried
    // forward to now, but not far.
    const double ahead = std::clamp(since + settings_.latency, 0.0, settings_.farthest);
    const auto place = [&](double forward) {
        return ViewerPlace{axes_[0].value + axes_[0].velocity * forward, axes_[1].value + axes_[1].velocity * forward,
                           axes_[2].value + axes_[2].velocity * forward};
    };
    if (since <= LostAfter)
        return TrackedPlace{place(ahead), TrackState::Tracking};
    const ViewerPlace held = place(std::clamp(LostAfter + settings_.latency, 0.0, settings_.farthest));
    if (since <= settings_.hold)
        return TrackedPlace{held, TrackState::Holding};
    if (since < settings_.hold + settings_.ease)
        return TrackedPlace{blend(held, rest_, (since - settings_.hold) / settings_.ease), TrackState::Easing};
    return TrackedPlace{rest_, TrackState::Resting};
}

} // namespace veltrane

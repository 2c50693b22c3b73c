// When each frame of an animation is due, on a clock given from outside
// (seconds, from any origin): frame k of a run started at t0 with frame f0 is
// due at t0 + (k - f0) / fps. A frame that is due when a later one is due too
// comes too late and is dropped.
#pragma once

namespace veltrane {

class Pacing {
public:
    explicit Pacing(double fps);

    // Starts counting again: frame is on screen at now (after a pause, a
    // step, or the first frame).
    void restart(double now, long frame);

    // The frame that should be on screen at now.
    long due(double now) const;

    // Seconds from now until the frame after current is due (0 when it is).
    double untilNext(double now, long current) const;

private:
    double fps_;
    double start_ = 0.0;
    long first_ = 0;
};

} // namespace veltrane

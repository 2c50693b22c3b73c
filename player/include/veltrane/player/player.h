// The player: stages as in a media player. Content frames are loaded ahead
// on a thread of their own (frame_source.h), composed with the tuning in
// force for each (compositor.h; the processor's by default), and shown in
// one window at their pace, the numbers tuned by keys. A frame is composed
// whole before it is shown; one that is due when a later one is due too is
// dropped and counted. One playhead counts the frames since the start; the
// frame shown is it wrapped over the content's frames.
//
// Keys besides the tuning keys (tuning.h): space pauses and plays, the left
// and right arrows step one frame while paused, h shows the overlay, Escape
// or q ends; so does closing the window.
#pragma once

#include "veltrane/core/window_backend.h"
#include "veltrane/player/content.h"
#include "veltrane/player/compositor.h"
#include "veltrane/player/frame_composer.h"
#include "veltrane/player/frame_source.h"
#include "veltrane/player/overlay.h"
#include "veltrane/player/pacing.h"
#include "veltrane/player/tuning.h"
#include "veltrane/tracking/head_tracker.h"

#include <csignal>
#include <functional>
#include <optional>
#include <string>

namespace veltrane {

extern const char* const PlayerTitle;

class GpuPresenter;

// Seconds on a clock the player is given (a steady one, or a test's).
class PlayerClock {
public:
    virtual ~PlayerClock() = default;
    virtual double now() = 0;
};

class SteadyClock : public PlayerClock {
public:
    double now() override;
};

// The frame veltrane-interlace writes for this content frame and tuning,
// composed by the streaming engine.
cv::Mat composeFrame(const ContentFrame& frame, const Tuning& tuning, cv::Size size);

class Player {
public:
    // With compositor null, frames are composed on the processor; with a
    // presenter, on the GPU into the window (veltrane-play --gpu).
    Player(Content& content, const Tuning& tuning, PlayerClock& clock, Compositor* compositor = nullptr,
           GpuPresenter* presenter = nullptr);

    // Opens the window and plays until the end is asked for. False when
    // content could not be read (problem says what, in one line); the frames
    // before it were played.
    bool run(WindowBackend& windows);

    // One wait for a key and what follows from it; false once the end is asked for.
    bool pass(WindowBackend& windows);

    // Numbers turned for an eye at place (the eyes' midpoint) by the sheet's
    // measures: each frame is composed with the numbers that show there
    // what the tuning's numbers show at their own place. The tuning, and
    // its keys, stay those of the measures' place.
    void seatViewer(const SheetMeasures& sheet, const ViewerPlace& place);

    // Numbers turned, every frame, for the place tracker follows (the eyes'
    // midpoint) by the sheet's measures; t turns the following off and on.
    // Numbers that cannot be drawn for a place are those of the measures'
    // own. The tracker outlives the player.
    void followHead(const HeadTracker& tracker, const SheetMeasures& sheet);

    // What the player says while it plays (the camera that stopped), once each.
    void onNotice(std::function<void(const std::string&)> notice) { notice_ = std::move(notice); }

    // The tracked place the frame shown was composed for; whether following is on.
    const TrackedPlace& trackedPlace() const { return tracked_; }
    bool following() const { return following_; }
    // From the camera's frame to the frame composed with its place and shown: the mean,
    // in seconds, over the frames composed with a new place (0 before one).
    double trackingLatency() const { return latencyFrames_ > 0 ? latencySum_ / latencyFrames_ : 0.0; }

    // A flag (set by a signal handler) that ends the player as a quit does.
    void endWhen(const volatile std::sig_atomic_t* flag) { endRequested_ = flag; }

    const Tuning& tuning() const { return tuning_; }
    const cv::Mat& composed() const { return composed_; }
    const FrameComposer& composer() const { return composer_; }
    long shown() const { return wrap(playhead_); }
    long dropped() const { return dropped_; }
    long framesShown() const { return framesShown_; }
    const std::string& problem() const { return problem_; }

private:
    bool showFrame(WindowBackend& windows);
    void recompose(WindowBackend& windows);
    // Why nothing can be composed with this tuning; empty when it can.
    std::string refusal(const Tuning& tuning) const;
    // The tuning composed: turned for the viewer's seat, when there is one.
    Tuning inForce(const Tuning& tuning) const;
    void display(WindowBackend& windows);
    std::vector<std::string> lines(const PlaybackFigures& figures) const; // the overlay's
    bool handleKey(WindowBackend& windows, int key);
    long wrap(long frame) const;
    // The tracker's place now taken; true when it moved enough to be seen.
    bool followTracker();
    std::string trackingLine() const; // the overlay's
    void countLatency(); // once a frame for a new camera frame's place is composed and shown

    Content& content_;
    Tuning tuning_;
    PlayerClock& clock_;
    Pacing pacing_;
    FrameComposer composer_;
    Compositor& compositor_; // composer_, unless another was given
    FrameSource source_;
    ContentFrame current_;
    long generation_ = 0; // of current_: one more for every frame loaded
    cv::Mat composed_;
    GpuPresenter* presenter_ = nullptr;
    long playhead_ = 0; // frames since the start, the pace's count; the frame shown is it wrapped
    long dropped_ = 0;
    long framesShown_ = 0;
    bool paused_ = false;
    bool overlay_ = false;
    std::string problem_;
    struct Seat {
        SheetMeasures sheet;
        ViewerPlace place;
    };
    std::optional<Seat> seat_;
    const HeadTracker* tracker_ = nullptr;
    SheetMeasures trackedSheet_;
    TrackedPlace tracked_;
    bool following_ = false;
    bool saidStopped_ = false;
    double trackedFrameTime_ = 0.0;  // the camera frame tracked_ came from
    double composedFrameTime_ = 0.0; // the camera frame whose place was composed last
    double latencySum_ = 0.0;
    long latencyFrames_ = 0;
    std::function<void(const std::string&)> notice_;
    double rateStart_ = 0.0; // the frame rate measured over about a second
    long rateFrames_ = 0;
    double rate_ = 0.0;
    const volatile std::sig_atomic_t* endRequested_ = nullptr;
};

} // namespace veltrane

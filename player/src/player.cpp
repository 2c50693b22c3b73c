#include "veltrane/player/player.h"

#include "veltrane/player/gpu_presenter.h"

#include "veltrane/engine/interlace.h"
#include "veltrane/content/composition_check.h"
#include "veltrane/content/quilt.h"
#include "veltrane/content/view_order.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace veltrane {

const char* const PlayerTitle = "Veltrane play";

namespace {

// The longest key wait: keys stay prompt while paused.
constexpr double MaxWait = 0.05;

void noPointer(int, int, int, int, void*) {}

} // namespace

double SteadyClock::now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

cv::Mat composeFrame(const ContentFrame& frame, const Tuning& tuning, cv::Size size)
{
    if (frame.views.empty() && frame.quilt.quilt.empty())
        return frame.image;
    const int views = frame.quilt.quilt.empty() ? static_cast<int>(frame.views.size())
                                                : frame.quilt.columns * frame.quilt.rows;
    const std::vector<int> viewOf = viewOfSource(views, tuning.reverse, tuning.viewOffset);
    cv::Mat output(size, CV_8UC3, cv::Scalar::all(0));
    const QuiltFrame& quilt = frame.quilt;
    if (!quilt.quilt.empty())
        return addQuiltTiles(quilt.quilt, quilt.columns, quilt.rows, quilt.topLeft, tuning.calibration, viewOf, output,
                             quilt.nearest, tuning.weighting) ==
                       Status::Done
                   ? output
                   : cv::Mat();
    EngineOptions options;
    options.sourceOrder = frame.order;
    options.weighting = tuning.weighting;
    if (addViews(tuning.calibration, views, viewOf, frame.views, output, options) != Status::Done)
        return cv::Mat();
    return output;
}

Player::Player(Content& content, const Tuning& tuning, PlayerClock& clock, Compositor* compositor,
               GpuPresenter* presenter)
    : content_(content), tuning_(tuning), clock_(clock), pacing_(content.fps()),
      compositor_(compositor != nullptr ? *compositor : composer_), source_(content), presenter_(presenter)
{
    tuning_.calibration.viewPhase = content.views() > 0 ? wrappedPhase(tuning_.calibration.viewPhase, content.views())
                                                        : tuning_.calibration.viewPhase;
}

long Player::wrap(long frame) const
{
    const long frames = std::max(1, content_.frames());
    return (frame % frames + frames) % frames;
}

bool Player::showFrame(WindowBackend& windows)
{
    LoadedFrame loaded = source_.take(wrap(playhead_));
    if (!loaded.ok) {
        if (problem_.empty())
            problem_ = loaded.problem;
        if (loaded.number == 0 || content_.frames() <= 0)
            return false; // nothing left that can be shown
        playhead_ = 0; // the frames before it play on, from the first
        pacing_.restart(clock_.now(), 0);
        return showFrame(windows);
    }
    current_ = std::move(loaded.frame);
    ++generation_;
    recompose(windows);
    if (presenter_ != nullptr ? !presenter_->problem().empty() : composed_.empty())
        return false; // said in problem_
    ++framesShown_;
    ++rateFrames_;
    const double now = clock_.now();
    if (now - rateStart_ >= 1.0) {
        rate_ = rateFrames_ / (now - rateStart_);
        rateStart_ = now;
        rateFrames_ = 0;
    }
    return true;
}

void Player::recompose(WindowBackend& windows)
{
    if (presenter_ != nullptr) {
        display(windows);
        return countLatency();
    }
    composed_ = compositor_.compose(current_, inForce(tuning_), content_.size());
    if (composed_.empty() && problem_.empty())
        problem_ = "the frame could not be composed (out of memory, or numbers it cannot draw)";
    display(windows);
    countLatency();
}

void Player::seatViewer(const SheetMeasures& sheet, const ViewerPlace& place)
{
    seat_ = Seat{sheet, place};
}

void Player::followHead(const HeadTracker& tracker, const SheetMeasures& sheet)
{
    tracker_ = &tracker;
    trackedSheet_ = sheet;
    following_ = true;
    tracked_ = tracker.placeAt(steadySeconds());
}

bool Player::followTracker()
{
    if (tracker_ == nullptr)
        return false;
    if (tracker_->cameraStopped() && !saidStopped_) {
        saidStopped_ = true;
        if (notice_)
            notice_("the tracking camera stopped: playing on, untracked");
    }
    if (!following_)
        return false;
    const TrackedPlace now = tracker_->placeAt(steadySeconds());
    // Half a millimetre: far below a view zone, far above the filter's drift.
    constexpr double Seen = 0.5;
    const bool moved = now.state != tracked_.state || std::abs(now.place.offset - tracked_.place.offset) > Seen ||
                       std::abs(now.place.height - tracked_.place.height) > Seen ||
                       std::abs(now.place.distance - tracked_.place.distance) > Seen;
    if (!moved)
        return false;
    tracked_ = now;
    trackedFrameTime_ = tracker_->lastFrameTime();
    return true;
}

void Player::countLatency()
{
    if (tracker_ == nullptr || !following_ || tracked_.state != TrackState::Tracking ||
        trackedFrameTime_ <= composedFrameTime_)
        return;
    composedFrameTime_ = trackedFrameTime_;
    latencySum_ += steadySeconds() - trackedFrameTime_;
    ++latencyFrames_;
}

std::string Player::trackingLine() const
{
    if (tracker_ == nullptr)
        return "";
    if (!following_)
        return "tracking off (t turns it on)";
    if (tracker_->cameraStopped())
        return "tracking: the camera stopped";
    switch (tracked_.state) {
    case TrackState::Resting: return "tracking: no face seen, the record's place";
    case TrackState::Holding: return "tracking: face lost, its last place held";
    case TrackState::Easing: return "tracking: face lost, easing back to the record's place";
    case TrackState::Tracking: break;
    }
    char line[80];
    std::snprintf(line, sizeof line, "tracking: latency %.0f ms", 1000.0 * trackingLatency());
    return line;
}

Tuning Player::inForce(const Tuning& tuning) const
{
    Tuning turned = tuning;
    if (tracker_ != nullptr && following_ && content_.views() > 0) {
        // A place whose numbers cannot be drawn (a head tracked too near) is
        // shown the numbers of the measures' own place.
        Calibration numbers;
        if (numbersForViewer(tuning.calibration, trackedSheet_, content_.size(), content_.views(), tracked_.place,
                             0.0, numbers) == Status::Done &&
            compositionProblem(numbers, content_.size(), content_.views(), tuning.weighting).empty())
            turned.calibration = numbers;
        return turned;
    }
    if (seat_ && content_.views() > 0)
        numbersForViewer(tuning.calibration, seat_->sheet, content_.size(), content_.views(), seat_->place, 0.0,
                         turned.calibration); // a failure is the refusal's
    return turned;
}

std::string Player::refusal(const Tuning& tuning) const
{
    if (content_.views() == 0)
        return "";
    if (seat_) {
        Calibration turned;
        const Status status = numbersForViewer(tuning.calibration, seat_->sheet, content_.size(), content_.views(),
                                               seat_->place, 0.0, turned);
        if (status != Status::Done)
            return std::string("the numbers cannot be turned for the viewer's seat: ") + statusText(status);
        if (const std::string problem = compositionProblem(turned, content_.size(), content_.views(),
                                                           tuning.weighting);
            !problem.empty())
            return problem + " (turned for the viewer's seat)";
    }
    return compositionProblem(tuning.calibration, content_.size(), content_.views(), tuning.weighting);
}

std::vector<std::string> Player::lines(const PlaybackFigures& figures) const
{
    const ViewerPlace* place = tracker_ != nullptr && following_ ? &tracked_.place : seat_ ? &seat_->place : nullptr;
    std::vector<std::string> lines = overlayLines(inForce(tuning_), figures, place);
    if (tracker_ != nullptr)
        lines.push_back(trackingLine());
    return lines;
}

void Player::display(WindowBackend& windows)
{
    const PlaybackFigures figures{content_.frameNumber(shown()), shown(), content_.frames(), rate_, dropped_, paused_};
    if (presenter_ != nullptr) {
        presenter_->show(windows, current_, generation_, inForce(tuning_), content_.size(),
                         overlay_ ? lines(figures) : std::vector<std::string>());
        if (problem_.empty())
            problem_ = presenter_->problem();
        return;
    }
    if (composed_.empty())
        return;
    if (!overlay_)
        return windows.showImage(PlayerTitle, composed_);
    windows.showImage(PlayerTitle, withOverlay(composed_, lines(figures)));
}

bool Player::run(WindowBackend& windows)
{
    problem_ = refusal(tuning_); // as the interlacer refuses them, before a window opens
    if (!problem_.empty())
        return false;
    windows.openWindow(PlayerTitle, noPointer, nullptr);
    rateStart_ = clock_.now();
    if (!showFrame(windows))
        return false;
    pacing_.restart(clock_.now(), 0);
    while (pass(windows)) {
    }
    if (problem_.empty()) // a frame read ahead that failed, then passed over
        problem_ = source_.failure();
    return problem_.empty();
}

bool Player::handleKey(WindowBackend& windows, int key)
{
    switch (key) {
    case NoKey:
        return true;
    case MainWindowClosed:
    case KeyEscape:
    case 'q':
        return false;
    case ' ':
        paused_ = !paused_;
        if (!paused_)
            pacing_.restart(clock_.now(), playhead_);
        display(windows);
        return true;
    case KeyLeft:
    case KeyRight:
        if (paused_) {
            if (key == KeyLeft && wrap(playhead_) == 0 && content_.frames() == UncountedFrames)
                return true; // no last frame to go back to before the end is found
            playhead_ += key == KeyRight ? 1 : -1;
            return showFrame(windows);
        }
        return true;
    case 'h':
        overlay_ = !overlay_;
        display(windows);
        return true;
    case 't':
        if (tracker_ == nullptr)
            return true;
        following_ = !following_;
        if (following_)
            tracked_ = tracker_->placeAt(steadySeconds());
        recompose(windows);
        return presenter_ != nullptr ? presenter_->problem().empty() : !composed_.empty();
    default: {
        // A key that would take the numbers where nothing can be drawn is not obeyed.
        Tuning tuned = tuning_;
        if (applyTuningKey(key, content_.views(), tuned) && refusal(tuned).empty()) {
            tuning_ = tuned;
            recompose(windows);
            return presenter_ != nullptr ? presenter_->problem().empty() : !composed_.empty();
        }
        return true;
    }
    }
}

bool Player::pass(WindowBackend& windows)
{
    const double wait = paused_ ? MaxWait : std::min(MaxWait, pacing_.untilNext(clock_.now(), playhead_));
    if (!handleKey(windows, windows.waitKey(std::max(1, static_cast<int>(std::lround(wait * 1000.0))))))
        return false;
    if (presenter_ != nullptr) { // drawn inside the wait: what went wrong there, and a table made meanwhile
        if (problem_.empty())
            problem_ = presenter_->problem();
        if (!problem_.empty())
            return false;
        presenter_->poll(windows);
    }
    if (endRequested_ != nullptr && *endRequested_ != 0)
        return false;
    const bool moved = followTracker();
    const long due = paused_ || content_.frames() <= 1 ? playhead_ : pacing_.due(clock_.now());
    if (due <= playhead_) {
        if (!moved)
            return true;
        recompose(windows); // the frame shown again, for the place now
        return presenter_ != nullptr ? presenter_->problem().empty() : !composed_.empty();
    }
    dropped_ += due - playhead_ - 1; // frames whose time passed while the last was read or composed
    playhead_ = due;
    return showFrame(windows);
}

} // namespace veltrane

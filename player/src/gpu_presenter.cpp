#include "veltrane/player/gpu_presenter.h"

#include "veltrane/content/view_order.h"
#include "veltrane/player/overlay.h"
#include "veltrane/player/player.h"

#include <chrono>

namespace veltrane {

namespace {

int viewsOf(const ContentFrame& frame)
{
    return frame.quilt.quilt.empty() ? static_cast<int>(frame.views.size()) : frame.quilt.columns * frame.quilt.rows;
}

bool ready(const std::future<GpuStatus>& future)
{
    return future.valid() && future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace

GpuPresenter::~GpuPresenter()
{
    if (compiling_.valid())
        compiling_.wait();
}

void GpuPresenter::show(WindowBackend& windows, const ContentFrame& frame, long generation, const Tuning& tuning,
                        cv::Size size, const std::vector<std::string>& overlay)
{
    frame_ = frame;
    generation_ = generation;
    wanted_ = tuning;
    size_ = size;
    overlayImage_ = overlay.empty() ? cv::Mat() : overlayBox(overlay, size);
    overlayNew_ = true;
    if (!windows.showDrawn(PlayerTitle, size, [this] { draw(); }) && problem_.empty())
        problem_ = "--gpu: the window has no OpenGL context";
}

bool GpuPresenter::poll(WindowBackend& windows)
{
    if (!ready(compiling_))
        return false;
    windows.showDrawn(PlayerTitle, size_, [this] { draw(); });
    return true;
}

void GpuPresenter::fail(const std::string& what, GpuStatus status)
{
    if (problem_.empty())
        problem_ = "--gpu: " + what + ": " + gpuStatusText(status);
}

bool GpuPresenter::start()
{
    if (started_)
        return true;
    const GpuStatus status = compositor_.start();
    if (status != GpuStatus::Done) {
        fail(status == GpuStatus::NoContext ? "the window's context" : "the shaders", status);
        return false;
    }
    return started_ = true;
}

void GpuPresenter::startCompiling(const Tuning& tuning)
{
    compilingFor_ = tuning;
    ++compilations_;
    const cv::Size size = size_;
    const int views = viewsOf(frame_);
    compiling_ = std::async(std::launch::async, [this, tuning, size, views] {
        EngineOptions options;
        options.weighting = tuning.weighting;
        if (compiled_.compile(tuning.calibration, size, views, options) != Status::Done)
            return GpuStatus::UnsupportedGeometry;
        return layOutTable(compiled_, tuning.calibration, laid_);
    });
}

// The table to draw with: the one asked for when it is there, else the last
// one while the next is made (the first is waited for: there is nothing to
// show before it). drawing is the tuning to draw with.
bool GpuPresenter::haveTable(const Tuning& tuning, Tuning& drawing)
{
    const int views = viewsOf(frame_);
    const auto served = [&] { return compositor_.serves(tuning.calibration, size_, views, tuning.weighting); };
    if (!tabled_ && !compiling_.valid() && !served())
        startCompiling(tuning);
    if (!tabled_ && compiling_.valid())
        compiling_.wait();
    if (ready(compiling_)) {
        const GpuStatus compiled = compiling_.get();
        const GpuStatus status = compiled == GpuStatus::Done ? compositor_.useTable(laid_) : compiled;
        if (status != GpuStatus::Done)
            return fail("the table", status), false;
        inForce_ = compilingFor_;
        tabled_ = true;
    }
    if (!served() && !compiling_.valid())
        startCompiling(tuning); // made while the last one's frame stays
    drawing = served() ? tuning : inForce_;
    return true;
}

// The frame's content uploaded when it is another frame, or another order of its views.
bool GpuPresenter::upload(const Tuning& drawing)
{
    if (uploaded_ == generation_ && uploadedReverse_ == drawing.reverse && uploadedOffset_ == drawing.viewOffset)
        return true;
    const int views = viewsOf(frame_);
    const std::vector<int> viewOf = viewOfSource(views, drawing.reverse, drawing.viewOffset);
    GpuStatus status = GpuStatus::Done;
    const QuiltFrame& quilt = frame_.quilt;
    if (!quilt.quilt.empty()) {
        status = compositor_.setQuilt(quilt.quilt, quilt.columns, quilt.rows, quilt.topLeft, viewOf);
    } else {
        status = compositor_.prepareViews(views, frame_.views.front().size(), frame_.order);
        for (int i = 0; i < views && status == GpuStatus::Done; ++i)
            status = compositor_.setView(viewOf[i], frame_.views[i]);
    }
    if (status != GpuStatus::Done)
        return fail("the frame's views", status), false;
    uploaded_ = generation_;
    uploadedReverse_ = drawing.reverse;
    uploadedOffset_ = drawing.viewOffset;
    return true;
}

void GpuPresenter::draw()
{
    if (!problem_.empty() || !start())
        return;
    GpuStatus status = GpuStatus::Done;
    if (!frame_.image.empty()) { // an interlaced frame, as it is
        if (uploaded_ != generation_ && (status = picture_.set(frame_.image)) == GpuStatus::Done)
            uploaded_ = generation_;
        if (status == GpuStatus::Done)
            status = picture_.draw(cv::Point(0, 0), size_.height);
    } else {
        Tuning drawing;
        if (!haveTable(wanted_, drawing) || !upload(drawing))
            return;
        status = compositor_.compose(drawing.calibration);
    }
    if (status == GpuStatus::Done && !overlayImage_.empty() && overlayNew_)
        status = overlay_.set(overlayImage_);
    overlayNew_ = false;
    if (status == GpuStatus::Done && !overlayImage_.empty())
        status = overlay_.draw(cv::Point(0, 0), size_.height);
    if (status != GpuStatus::Done)
        return fail("the frame", status);
    ++drawn_;
}

} // namespace veltrane

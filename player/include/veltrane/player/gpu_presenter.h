// veltrane-play --gpu: each frame composed on the GPU straight into the
// player's window (the bytes of the processor's composition), the overlay
// copied over it, the window swapped at the vertical blank. Content is
// uploaded once a frame; a tuning key that needs a new table gets it from a
// thread of its own while the old table's frame stays on screen, a whole
// phase step or the views' order none.
#pragma once

#include "veltrane/core/window_backend.h"
#include "veltrane/gpu/gpu_compositor.h"
#include "veltrane/gpu/gpu_picture.h"
#include "veltrane/gpu/gpu_table.h"
#include "veltrane/player/content.h"
#include "veltrane/player/tuning.h"

#include <future>
#include <string>
#include <vector>

namespace veltrane {

class GpuPresenter {
public:
    GpuPresenter() = default;
    ~GpuPresenter(); // after a table in the making is done
    GpuPresenter(const GpuPresenter&) = delete;
    GpuPresenter& operator=(const GpuPresenter&) = delete;

    // frame (number generation: another number is another frame) shown with
    // tuning at size in the window, the overlay's lines over it when any.
    void show(WindowBackend& windows, const ContentFrame& frame, long generation, const Tuning& tuning,
              cv::Size size, const std::vector<std::string>& overlay);

    // Shows the frame again once a table made meanwhile is ready: true when it did.
    bool poll(WindowBackend& windows);

    // Why nothing can be shown (one line), empty while it can.
    const std::string& problem() const { return problem_; }
    long drawn() const { return drawn_; }         // frames drawn into the window
    int compilations() const { return compilations_; } // tables made, the first included

private:
    void draw(); // in the window's context
    bool start();
    bool haveTable(const Tuning& tuning, Tuning& drawing);
    void startCompiling(const Tuning& tuning);
    bool upload(const Tuning& drawing);
    void fail(const std::string& what, GpuStatus status);

    GpuCompositor compositor_;
    GpuPicture picture_; // an interlaced frame as it is
    GpuPicture overlay_;
    bool started_ = false;
    std::string problem_;
    long drawn_ = 0;
    int compilations_ = 0;

    ContentFrame frame_;
    long generation_ = -1;
    Tuning wanted_;  // asked for
    Tuning inForce_; // the table's (its geometry), once one is there
    bool tabled_ = false;
    cv::Size size_;
    cv::Mat overlayImage_;
    bool overlayNew_ = false;
    long uploaded_ = -1; // the generation uploaded, and the order it was uploaded in
    bool uploadedReverse_ = false;
    int uploadedOffset_ = 0;

    // The table in the making: compiled_ and laid_ are the thread's until it is done.
    std::future<GpuStatus> compiling_;
    Tuning compilingFor_;
    ViewTable compiled_;
    GpuTable laid_;
};

} // namespace veltrane

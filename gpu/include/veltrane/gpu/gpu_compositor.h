// Composition on the GPU with the bytes of the processor's: the view table
// (gpu_table.h) and the views uploaded as integer textures, every output
// byte summed in a fragment shader with the engine's own integer rules.
//
// It draws into whatever framebuffer is bound, in the context that is
// current: it never makes a context, so a program that has its own (a game
// engine, a viewer, a video player) composes in it. Needs OpenGL 3.3 or
// OpenGL ES 3.0. Every call is made on the context's thread; the state it
// changes to draw (program, vertex array, textures of units 0 to 5, the
// viewport, blending and the tests) is put back as it was.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/interlace.h"
#include "veltrane/gpu/gpu_status.h"
#include "veltrane/gpu/gpu_table.h"

#include <opencv2/core.hpp>

#include <memory>
#include <string>
#include <vector>

namespace veltrane {

// Where the image goes in the bound framebuffer: the framebuffer's pixels
// origin to origin + the table's size. A window's framebuffer counts its rows
// from the bottom, so the image's top row goes last there; a framebuffer
// read back with glReadPixels gives its first row first, so there it goes
// first.
struct GpuTarget {
    cv::Point origin;
    bool topRowFirst = false;
};

class GpuCompositor {
public:
    GpuCompositor();
    ~GpuCompositor(); // its GL objects deleted: the context they were made in must be current
    GpuCompositor(const GpuCompositor&) = delete;
    GpuCompositor& operator=(const GpuCompositor&) = delete;

    // The shaders compiled in the current context: first, once. NoContext
    // without OpenGL 3.3 or ES 3.0; ProgramFailed with the driver's log.
    GpuStatus start();
    const std::string& log() const;
    std::string renderer() const; // GL_RENDERER and GL_VERSION of the context

    // A table compiled elsewhere (on another thread) uploaded, or compiled
    // here and uploaded. The views already given stay.
    GpuStatus useTable(const GpuTable& table);
    GpuStatus compile(const Calibration& calibration, cv::Size size, int viewCount,
                      const EngineOptions& options = {}, std::size_t maxBytes = std::size_t{1} << 30);
    bool serves(const Calibration& calibration, cv::Size size, int viewCount, Weighting weighting) const;

    // The views the table's views show: views[v] through table view v (all
    // 8UC3 of one size, read to their nearest pixels when not the output's).
    GpuStatus setViews(const std::vector<cv::Mat>& views, ChannelOrder order = ChannelOrder::Bgr);
    // Room for count views of this size, to be given one by one with setView.
    GpuStatus prepareViews(int count, cv::Size size, ChannelOrder order = ChannelOrder::Bgr);
    GpuStatus setView(int view, const cv::Mat& image);
    // A quilt's tiles as the views: tile t (view 0 at the bottom left, or the
    // top left) shows through table view viewOf[t].
    GpuStatus setQuilt(const cv::Mat& quilt, int columns, int rows, bool topLeft, const std::vector<int>& viewOf,
                       ChannelOrder order = ChannelOrder::Rgb);

    // A quilt the caller draws on the GPU itself, every frame if it likes:
    // texture (a GL_TEXTURE_2D of this size, 8-bit normalised RGBA or RGB,
    // its row 0 the quilt's bottom as GL draws it) read where it lies at
    // every compose, never copied; tile t shows through table view viewOf[t].
    // The texture stays the caller's: it must outlive its use here.
    GpuStatus useQuiltTexture(unsigned texture, cv::Size size, int columns, int rows, bool topLeft,
                              const std::vector<int>& viewOf);

    // The frame for calibration (one the table serves; its whole phase turns
    // the views) drawn into the bound framebuffer.
    GpuStatus compose(const Calibration& calibration, const GpuTarget& target = {});

    struct Gl; // the GL objects and what they hold

private:
    std::unique_ptr<Gl> gl_;
};

} // namespace veltrane

// The interlacer's frames composed on the GPU without a window (an EGL
// context of its own), read back whole: the same bytes as the processor's.
#pragma once

#include "veltrane/egl/headless_context.h"
#include "veltrane/engine/calibration.h"
#include "veltrane/engine/interlace.h"
#include "veltrane/gpu/gpu_compositor.h"
#include "veltrane/gpu/gpu_framebuffer.h"

#include <opencv2/core.hpp>

#include <string>

namespace veltrane {

class GpuFrames {
public:
    // The context, the program, the table for the geometry and a framebuffer
    // of the frame's size; false with the problem in one line.
    bool open(const Calibration& calibration, cv::Size size, int views, const EngineOptions& options,
              std::string& problem);

    GpuCompositor& compositor() { return compositor_; }

    // The frame composed from the views given to the compositor, read back.
    bool frame(cv::Mat& frame, std::string& problem);

private:
    HeadlessContext context_;
    GpuCompositor compositor_;
    GpuFramebuffer framebuffer_;
    Calibration calibration_;
};

} // namespace veltrane

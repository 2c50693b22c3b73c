// An offscreen framebuffer to compose into and read back: for composing
// without a window (a render farm's GPUs, tests) and for reading what was
// composed. Made in the current context, bound while it lives.
#pragma once

#include "veltrane/gpu/gpu_status.h"

#include <opencv2/core.hpp>

namespace veltrane {

class GpuFramebuffer {
public:
    GpuFramebuffer() = default;
    ~GpuFramebuffer(); // in the context it was made in
    GpuFramebuffer(const GpuFramebuffer&) = delete;
    GpuFramebuffer& operator=(const GpuFramebuffer&) = delete;

    // An RGBA8 framebuffer of this size made (again when the size changes) and bound.
    GpuStatus make(cv::Size size);

    // Its pixels, image row 0 first (as composed with GpuTarget::topRowFirst),
    // blue first, into bgr (8UC3).
    GpuStatus read(cv::Mat& bgr) const;

private:
    unsigned framebuffer_ = 0;
    unsigned colour_ = 0;
    cv::Size size_;
};

} // namespace veltrane

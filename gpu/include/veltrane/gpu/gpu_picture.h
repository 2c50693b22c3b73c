// A picture copied as it is into the bound framebuffer, one image pixel to
// one framebuffer pixel: an interlaced frame shown as it was written, or a
// box of text over a composed one. No shader: a blit from a texture of its
// own, in the context that is current, the framebuffer bindings put back.
#pragma once

#include "veltrane/gpu/gpu_compositor.h"
#include "veltrane/gpu/gpu_status.h"

#include <opencv2/core.hpp>

namespace veltrane {

class GpuPicture {
public:
    GpuPicture() = default;
    ~GpuPicture(); // in the context it was made in
    GpuPicture(const GpuPicture&) = delete;
    GpuPicture& operator=(const GpuPicture&) = delete;

    // bgr (8UC3) uploaded, again only when it is another image than last time.
    GpuStatus set(const cv::Mat& bgr);

    // Drawn with its top left corner at corner of an image of height rows
    // placed in the framebuffer as target says.
    GpuStatus draw(cv::Point corner, int rows, const GpuTarget& target = {}) const;

private:
    unsigned texture_ = 0;
    unsigned framebuffer_ = 0;
    cv::Size size_;
};

} // namespace veltrane

#include "gpu_frames.h"

namespace veltrane {

bool GpuFrames::open(const Calibration& calibration, cv::Size size, int views, const EngineOptions& options,
                     std::string& problem)
{
    std::string why;
    if (!context_.open(why)) {
        problem = "--gpu: no GPU context: " + why;
        return false;
    }
    GpuStatus status = compositor_.start();
    if (status == GpuStatus::Done)
        status = compositor_.compile(calibration, size, views, options);
    if (status == GpuStatus::Done)
        status = framebuffer_.make(size);
    if (status != GpuStatus::Done) {
        problem = std::string("--gpu: ") + gpuStatusText(status) + " (" + compositor_.renderer() + ")";
        return false;
    }
    calibration_ = calibration;
    return true;
}

bool GpuFrames::frame(cv::Mat& frame, std::string& problem)
{
    GpuTarget target;
    target.topRowFirst = true; // read back first row first
    GpuStatus status = compositor_.compose(calibration_, target);
    if (status == GpuStatus::Done)
        status = framebuffer_.read(frame);
    if (status != GpuStatus::Done) {
        problem = std::string("--gpu: ") + gpuStatusText(status);
        return false;
    }
    return true;
}

} // namespace veltrane

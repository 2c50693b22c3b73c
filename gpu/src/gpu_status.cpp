#include "veltrane/gpu/gpu_status.h"

namespace veltrane {

const char* gpuStatusText(GpuStatus status)
{
    switch (status) {
    case GpuStatus::Done: return "done";
    case GpuStatus::NoContext: return "no OpenGL 3.3 or OpenGL ES 3.0 context is current";
    case GpuStatus::ProgramFailed: return "the GPU's shaders did not compile";
    case GpuStatus::InvalidInput: return "the views cannot be used";
    case GpuStatus::UnsupportedGeometry: return "numbers the view table does not compose";
    case GpuStatus::NoMemory: return "out of memory";
    case GpuStatus::TooLargeForGpu: return "larger than the GPU's textures can hold";
    case GpuStatus::TableMismatch: return "a table compiled for other numbers";
    case GpuStatus::NotReady: return "no table or no views given yet";
    case GpuStatus::GlError: return "the GPU's driver reported an error";
    }
    return "unknown";
}

} // namespace veltrane

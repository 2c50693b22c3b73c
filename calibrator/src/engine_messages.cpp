#include "veltrane/calibrator/engine_messages.h"

#include <cstdio>

namespace veltrane {

veltrane::Calibration calibrationInForce(const CalibrationState& state)
{
    return {state.slantX, state.slantY, state.pitch, state.mirror != 0, state.viewPhase,
            state.panelBgr ? veltrane::ChannelOrder::Bgr : veltrane::ChannelOrder::Rgb};
}

const char* engineStatusMessage(veltrane::Status status)
{
    switch (status) {
    case veltrane::Status::Done:
        return "";
    case veltrane::Status::NoMaskArray:
        return "\n---out of memory---\n";
    case veltrane::Status::UnsupportedGeometry:
        return "\n---error: the slant is too flat to draw at this size---\n";
    case veltrane::Status::NoMaskMemory:
    case veltrane::Status::InvalidImage:
    case veltrane::Status::TableMismatch:
    case veltrane::Status::InvalidPlace:
    case veltrane::Status::Internal:
        break;
    }
    return "\n---error:malloc:1---\n";
}

void reportEngineFailure(veltrane::Status status, std::FILE* out)
{
    std::fputs(engineStatusMessage(status), out);
    std::fflush(out);
}

} // namespace veltrane

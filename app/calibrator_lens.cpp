#include "app/calibrator_lens.h"

#include "app/calibration_state.h"
#include "engine/engine_status.h"

#include <cstdio>

LensGeometry calibratorLens(int width, int height, int viewCount, bool subpixelOrder)
{
    LensGeometry lens;
    lens.width = width;
    lens.height = height;
    lens.pitch = state.pitch;
    lens.slantX = state.slantX;
    lens.slantY = state.slantY;
    lens.mirror = state.mirror != 0;
    lens.viewCount = viewCount;
    lens.subpixelOrder = subpixelOrder;
    return lens;
}

void reportEngineFailure(int status)
{
    std::fputs(engineStatusMessage(static_cast<EngineStatus>(status)), stdout);
    std::fflush(stdout);
}

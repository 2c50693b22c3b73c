#include "veltrane/calibrator/resume.h"

#include "veltrane/calibrator/main_loop.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace veltrane {

int resumedSlantOffset(const veltrane::Calibration& start, int slantYHere, int limit, bool& exact)
{
    // x / 2 * here / y, rounded half away from zero, in integers.
    const std::int64_t numerator = static_cast<std::int64_t>(start.x) * slantYHere;
    const std::int64_t denominator = 2 * static_cast<std::int64_t>(start.y);
    std::int64_t offset = (2 * numerator + denominator) / (2 * denominator);
    exact = numerator % denominator == 0;
    if (offset > limit) {
        offset = limit;
        exact = false;
    }
    if (start.mirror && offset == 0)
        exact = false; // the lenses cannot lean the other way without a slant
    return static_cast<int>(start.mirror ? -offset : offset);
}

namespace {

void printSlant(std::FILE* out, const char* before, int x, int y, bool mirror)
{
    std::fprintf(out, "%s-x %d -y %d%s", before, x, y, mirror ? " -mirror" : "");
}

} // namespace

void resumeCalibration(CalibrationState& state, const veltrane::Calibration& start, bool keepPitch,
                       std::FILE* report)
{
    bool exact = true;
    const int slantYHere = 3 * (state.height - 2 * state.layout.barHeight);
    state.slantOffset = resumedSlantOffset(start, slantYHere, state.slantPatternCentre, exact);
    if (!keepPitch)
        state.pitch = start.pitch;
    deriveSlant(state);
    state.mirror = state.slantOffset < 0 ? 1 : 0;
    if (exact)
        return;
    printSlant(report, "the slant ", start.x, start.y, start.mirror);
    printSlant(report, " cannot be matched at this window's height; in force: ", state.slantX, state.slantY,
               state.mirror != 0);
    std::fputs("\n", report);
    std::fflush(report);
}

} // namespace veltrane

#include "bench_support.h"

#include "app/calibration_state.h"
#include "engine/mask_allocator.h"
#include "panel/panel_layout.h"

#include <cstdlib>

namespace {

std::size_t live = 0;
std::size_t highest = 0;
MaskAllocator previous;

void* countedAllocate(std::size_t bytes)
{
    void* block = std::malloc(bytes);
    if (block != nullptr) {
        live += bytes;
        highest = live > highest ? live : highest;
    }
    return block;
}

void countedRelease(void* block, std::size_t bytes)
{
    live -= bytes;
    std::free(block);
}

} // namespace

void pitchModeGeometry(int width, int height)
{
    resetCalibrationState();
    state.width = width;
    state.height = height;
    computePanelLayout();
    state.pitch = 8.0;
    state.slantX = 128;
    state.slantY = 3 * (height - 2 * state.layout.barHeight);
    state.mirror = 0;
}

const char* hardGeometryName(HardGeometry geometry)
{
    switch (geometry) {
    case HardGeometry::EqualExtents: return "equal_extents";
    case HardGeometry::SteepestSlant: return "steepest_slant";
    case HardGeometry::LargestPitch: return "pitch_999.9999";
    case HardGeometry::EqualExtentsLargestPitch: return "equal_extents_pitch_999.9999";
    case HardGeometry::SteepestLargestPitch: return "steepest_slant_pitch_999.9999";
    }
    return "";
}

void applyHardGeometry(HardGeometry geometry)
{
    const int dragHeight = state.height - 2 * state.layout.barHeight;
    const bool largestPitch = geometry == HardGeometry::LargestPitch ||
                              geometry == HardGeometry::EqualExtentsLargestPitch ||
                              geometry == HardGeometry::SteepestLargestPitch;
    if (largestPitch)
        state.pitch = 999.9999;
    if (geometry == HardGeometry::EqualExtents || geometry == HardGeometry::EqualExtentsLargestPitch)
        state.slantX = dragHeight; // lineDx = lineDy = height
    if (geometry == HardGeometry::SteepestSlant || geometry == HardGeometry::SteepestLargestPitch)
        state.slantX = 3 * state.width; // slant offset 3 x width / 2, the limit of drags and keys
}

PeakCounter::PeakCounter()
{
    live = 0;
    highest = 0;
    previous = setMaskAllocator(MaskAllocator{countedAllocate, countedRelease});
}

PeakCounter::~PeakCounter()
{
    setMaskAllocator(previous);
}

std::size_t PeakCounter::peak() const
{
    return highest;
}

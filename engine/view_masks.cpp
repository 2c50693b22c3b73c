#include "engine/view_masks.h"

#include "app/calibration_state.h"
#include "engine/mask_allocator.h"
#include "engine/slant_geometry.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Far more lens lines than the widest display at the smallest view spacing
// needs; a generation asking for more comes from a meaningless geometry.
constexpr double MaxLensLines = 1 << 22;

std::size_t maskBytes()
{
    if (state.height <= 0 || state.maskStride <= 0)
        return 0;
    return static_cast<std::size_t>(state.height) * static_cast<std::size_t>(state.maskStride);
}

std::size_t pointerArrayBytes()
{
    return static_cast<std::size_t>(state.viewCount) * sizeof(unsigned char*);
}

// Releases masks [0, count) and the array.
void releaseFirstMasks(int count)
{
    const std::size_t bytes = maskBytes();
    for (int i = 0; i < count; ++i)
        releaseMaskMemory(state.viewMasks[i], bytes == 0 ? 1 : bytes);
    releaseMaskMemory(state.viewMasks, pointerArrayBytes());
    state.viewMasks = nullptr;
}

unsigned char weightByte(int weight)
{
    if (weight > 255)
        return 255;
    return static_cast<unsigned char>(weight < 0 ? 0 : weight);
}

unsigned char weightAt(double cx, double cy)
{
    const double distance =
        std::fabs(cx * state.lineRise - cy * state.lineRun - state.lineOffset) / state.lineLength;
    return weightByte(lookupWeight(distance));
}

// Shared bounds test of both plots: the triple's centre, truncated toward zero,
// must keep one row and one column away from every edge. Tested on the doubles,
// which is the same test for every representable centre and never converts a
// far-away sample to int.
unsigned char* sampleRow(double x, double y, int& ix, int& iy)
{
    if (!(x >= 1.0 && x < state.maskStride - 1 && y >= 1.0 && y < state.height - 1))
        return nullptr;
    ix = static_cast<int>(x);
    iy = static_cast<int>(y);
    return state.viewMasks[state.currentView] + static_cast<std::size_t>(iy) * state.maskStride;
}

void walkRows(double x, double y, double dxPerRow)
{
    while (y < state.height) {
        plotRowTriple(x, y);
        x = x + dxPerRow;
        y = y + state.sampleStep;
    }
}

void walkColumns(double x, double y, double dyPerColumn)
{
    while (x < state.maskStride) {
        plotColumnTriple(x, y);
        y = y + dyPerColumn;
        x = x + state.sampleStep;
    }
}

} // namespace

int allocateViewMasks()
{
    state.maskStride = 3 * state.width;
    state.subpixelSlantX = 3 * state.slantX;
    state.viewMasks = nullptr;
    if (state.viewCount <= 0)
        return 0;

    state.viewMasks = static_cast<unsigned char**>(allocateMaskMemory(pointerArrayBytes()));
    if (state.viewMasks == nullptr)
        return 1;

    const std::size_t bytes = maskBytes();
    for (int i = 0; i < state.viewCount; ++i) {
        state.viewMasks[i] = static_cast<unsigned char*>(allocateMaskMemory(bytes == 0 ? 1 : bytes));
        if (state.viewMasks[i] == nullptr) {
            releaseFirstMasks(i);
            return 2;
        }
    }
    for (int i = 0; i < state.viewCount; ++i)
        if (bytes > 0)
            std::memset(state.viewMasks[i], 0, bytes);
    return 0;
}

void releaseViewMasks()
{
    if (state.viewMasks == nullptr)
        return;
    releaseFirstMasks(state.viewCount);
}

std::vector<double> lensLineStarts(double lineDx)
{
    std::vector<double> starts;
    const double spacing = state.pitch / state.viewCount;
    double p = 0.0;
    double end = state.maskStride - lineDx;
    if (state.mirror != 0) {
        p = -lineDx;
        end = state.maskStride;
    }
    if (!(spacing > 0.0) || !std::isfinite(spacing) || (end - p) / spacing > MaxLensLines)
        return starts; // no spacing, or more lines than any display has: nothing to draw
    while (end > p) {
        starts.push_back(p);
        const double next = p + spacing;
        if (!(next > p))
            break; // the spacing is lost against p: no further column is reachable
        p = next;
    }
    return starts;
}

void generateViewMasks()
{
    if (state.viewMasks == nullptr || state.viewCount <= 0)
        return;
    const double lineDx = computeSlantGeometry();
    int v = 0;
    for (double start : lensLineStarts(lineDx)) {
        state.currentView = v;
        rasteriseLine(start, 0.0);
        v = v + 1;
        if (v == state.viewCount)
            v = 0;
    }
}

void rasteriseLine(double x0, double y0)
{
    state.lineStartX = x0;
    state.lineStartY = y0;
    state.lineEndX = x0 + state.lineDx;
    state.lineEndY = y0 + state.lineDy;
    state.lineRise = state.lineEndY - state.lineStartY;
    state.lineRun = state.lineEndX - state.lineStartX;
    state.lineOffset = state.lineStartX * state.lineEndY - state.lineStartY * state.lineEndX;
    state.lineLength = std::hypot(state.lineRun, state.lineRise);

    const double adx = std::fabs(static_cast<double>(state.lineDx));
    const double ady = std::fabs(static_cast<double>(state.lineDy));
    if (adx == 0.0 && ady == 0.0)
        return;
    if (ady == 0.0) {
        walkColumns(x0, y0, 0.0);
    } else if (adx == 0.0) {
        for (double y = y0; y < state.lineEndY; y = y + state.sampleStep)
            plotRowTriple(x0, y);
    } else if (state.mirror == 0) {
        if (adx != ady)
            walkRows(state.lineStartX, state.lineStartY, -(adx / ady));
        else
            walkColumns(state.lineEndX, state.lineEndY, -(ady / adx));
    } else {
        // A mirrored line is walked as the mirror image of the unmirrored walk.
        if (adx != ady)
            walkRows(state.lineStartX, state.lineStartY, adx / ady);
        else
            walkColumns(state.lineStartX, state.lineStartY, ady / adx);
    }
}

void plotRowTriple(double x, double y)
{
    int ix = 0;
    int iy = 0;
    unsigned char* row = sampleRow(x, y, ix, iy);
    if (row == nullptr)
        return;
    const double cx = ix;
    const double cy = iy;
    row[ix] = weightAt(cx, cy);
    row[ix + 1] = weightAt(cx + state.sampleStep, cy);
    row[ix - 1] = weightAt(cx - state.sampleStep, cy);
}

void plotColumnTriple(double x, double y)
{
    int ix = 0;
    int iy = 0;
    unsigned char* row = sampleRow(x, y, ix, iy);
    if (row == nullptr)
        return;
    const double cx = ix;
    const double cy = iy;
    const int stride = state.maskStride;
    row[ix] = weightAt(cx, cy);
    row[ix + stride] = weightAt(cx, cy + state.sampleStep);
    row[ix - stride] = weightAt(cx, cy - state.sampleStep);
}

void reportAllocationFailure(int result)
{
    if (result == 1)
        std::printf("\n---out of memory---\n");
    else if (result == 2)
        std::printf("\n---error:malloc:1---\n");
    std::fflush(stdout);
}

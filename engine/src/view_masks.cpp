#include "view_masks.h"

#include <cmath>
#include <cstring>

namespace veltrane {

namespace {

unsigned char weightByte(int weight)
{
    if (weight > 255)
        return 255;
    return static_cast<unsigned char>(weight < 0 ? 0 : weight);
}

} // namespace

ViewMasks::ViewMasks(const LensGeometry& lens, const MaskAllocator& allocator)
    : lens_(lens), slant_(deriveSlantGeometry(lens)), allocator_(allocator)
{
}

ViewMasks::~ViewMasks()
{
    if (masks_ != nullptr)
        releaseFirst(lens_.viewCount);
}

std::size_t ViewMasks::maskBytes() const
{
    if (lens_.height <= 0 || slant_.maskStride <= 0)
        return 0;
    return static_cast<std::size_t>(lens_.height) * static_cast<std::size_t>(slant_.maskStride);
}

// Releases masks [0, count) and the array.
void ViewMasks::releaseFirst(int count)
{
    const std::size_t bytes = maskBytes();
    for (int i = 0; i < count; ++i)
        allocator_.release(masks_[i], bytes == 0 ? 1 : bytes);
    allocator_.release(masks_, static_cast<std::size_t>(lens_.viewCount) * sizeof(unsigned char*));
    masks_ = nullptr;
}

Status ViewMasks::allocate()
{
    if (lens_.viewCount <= 0 || masks_ != nullptr)
        return Status::Done;
    masks_ = static_cast<unsigned char**>(
        allocator_.allocate(static_cast<std::size_t>(lens_.viewCount) * sizeof(unsigned char*)));
    if (masks_ == nullptr)
        return Status::NoMaskArray;

    const std::size_t bytes = maskBytes();
    for (int i = 0; i < lens_.viewCount; ++i) {
        masks_[i] = static_cast<unsigned char*>(allocator_.allocate(bytes == 0 ? 1 : bytes));
        if (masks_[i] == nullptr) {
            releaseFirst(i);
            return Status::NoMaskMemory;
        }
    }
    for (int i = 0; i < lens_.viewCount; ++i)
        if (bytes > 0)
            std::memset(masks_[i], 0, bytes);
    return Status::Done;
}

unsigned char ViewMasks::weightAt(double cx, double cy) const
{
    const double distance = std::fabs(cx * line_.rise - cy * line_.run - line_.offset) / line_.length;
    return weightByte(lookupWeight(slant_, distance));
}

// Shared bounds test of both plots: the triple's centre, truncated toward zero,
// must keep one row and one column away from every edge. Tested on the doubles,
// which is the same test for every representable centre and never converts a
// far-away sample to int.
unsigned char* ViewMasks::sampleRow(double x, double y, int& ix, int& iy) const
{
    if (!(x >= 1.0 && x < slant_.maskStride - 1 && y >= 1.0 && y < lens_.height - 1))
        return nullptr;
    ix = static_cast<int>(x);
    iy = static_cast<int>(y);
    return masks_[line_.view] + static_cast<std::size_t>(iy) * slant_.maskStride;
}

void ViewMasks::walkRows(double x, double y, double dxPerRow)
{
    while (y < lens_.height) {
        plotRowTriple(x, y);
        x = x + dxPerRow;
        y = y + SampleStep;
    }
}

void ViewMasks::walkColumns(double x, double y, double dyPerColumn)
{
    while (x < slant_.maskStride) {
        plotColumnTriple(x, y);
        y = y + dyPerColumn;
        x = x + SampleStep;
    }
}

void ViewMasks::generate()
{
    if (masks_ == nullptr || lens_.viewCount <= 0)
        return;
    int v = 0;
    for (double start : lensLineStarts(lens_, slant_)) {
        rasteriseLine(v, start, 0.0);
        v = v + 1;
        if (v == lens_.viewCount)
            v = 0;
    }
}

void ViewMasks::rasteriseLine(int view, double x0, double y0)
{
    Line& l = line_;
    l.view = view;
    l.startX = x0;
    l.startY = y0;
    l.endX = x0 + slant_.lineDx;
    l.endY = y0 + slant_.lineDy;
    l.rise = l.endY - l.startY;
    l.run = l.endX - l.startX;
    l.offset = l.startX * l.endY - l.startY * l.endX;
    l.length = std::hypot(l.run, l.rise);

    const double adx = std::fabs(static_cast<double>(slant_.lineDx));
    const double ady = std::fabs(static_cast<double>(slant_.lineDy));
    if (adx == 0.0 && ady == 0.0)
        return;
    if (ady == 0.0) {
        walkColumns(x0, y0, 0.0);
    } else if (adx == 0.0) {
        for (double y = y0; y < l.endY; y = y + SampleStep)
            plotRowTriple(x0, y);
    } else if (!lens_.mirror) {
        if (adx != ady)
            walkRows(l.startX, l.startY, -(adx / ady));
        else
            walkColumns(l.endX, l.endY, -(ady / adx));
    } else {
        // A mirrored line is walked as the mirror image of the unmirrored walk.
        if (adx != ady)
            walkRows(l.startX, l.startY, adx / ady);
        else
            walkColumns(l.startX, l.startY, ady / adx);
    }
}

void ViewMasks::plotRowTriple(double x, double y)
{
    int ix = 0;
    int iy = 0;
    unsigned char* row = sampleRow(x, y, ix, iy);
    if (row == nullptr)
        return;
    const double cx = ix;
    const double cy = iy;
    row[ix] = weightAt(cx, cy);
    row[ix + 1] = weightAt(cx + SampleStep, cy);
    row[ix - 1] = weightAt(cx - SampleStep, cy);
}

void ViewMasks::plotColumnTriple(double x, double y)
{
    int ix = 0;
    int iy = 0;
    unsigned char* row = sampleRow(x, y, ix, iy);
    if (row == nullptr)
        return;
    const double cx = ix;
    const double cy = iy;
    const int stride = slant_.maskStride;
    row[ix] = weightAt(cx, cy);
    row[ix + stride] = weightAt(cx, cy + SampleStep);
    row[ix - stride] = weightAt(cx, cy - SampleStep);
}

} // namespace veltrane

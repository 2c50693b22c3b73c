// View-mask rasteriser: one intensity mask per view, drawn as anti-aliased
// slanted lens lines, one byte per subpixel (or filled by the full
// weighting's rule). This is the straightforward reference implementation;
// every mask byte is defined by it.
#pragma once

#include "veltrane/engine/status.h"
#include "lens_geometry.h"
#include "veltrane/engine/mask_allocator.h"

#include <cstddef>
#include <vector>

namespace veltrane {

class ViewMasks {
public:
    ViewMasks(const LensGeometry& lens, const MaskAllocator& allocator = heapAllocator());
    ~ViewMasks();
    ViewMasks(const ViewMasks&) = delete;
    ViewMasks& operator=(const ViewMasks&) = delete;

    // viewCount zeroed masks of height x maskStride bytes. On failure nothing
    // stays allocated.
    Status allocate();

    // Draws every lens line of every view into the masks just allocated.
    void generate();

    // Fills the masks just allocated with the full weighting's weights,
    // subpixel by subpixel (full_masks.cpp).
    void fillFullWeights();

    // Draws one lens line that starts at (x0, y0) into the mask of a view.
    void rasteriseLine(int view, double x0, double y0);

    // Write the three subpixels of a row (or a column) around a sample point
    // into the mask of the view of the line being drawn.
    void plotRowTriple(double x, double y);
    void plotColumnTriple(double x, double y);

    bool allocated() const { return masks_ != nullptr; }
    unsigned char* mask(int view) const { return masks_[view]; }
    const SlantGeometry& slant() const { return slant_; }
    const LensGeometry& lens() const { return lens_; }

private:
    // The line being drawn, as the reference computes it.
    struct Line {
        int view = 0;
        double startX = 0, startY = 0, endX = 0, endY = 0;
        double run = 0, rise = 0, offset = 0, length = 0;
    };

    std::size_t maskBytes() const;
    void releaseFirst(int count);
    unsigned char weightAt(double cx, double cy) const;
    unsigned char* sampleRow(double x, double y, int& ix, int& iy) const;
    void walkRows(double x, double y, double dxPerRow);
    void walkColumns(double x, double y, double dyPerColumn);

    LensGeometry lens_;
    SlantGeometry slant_;
    MaskAllocator allocator_;
    unsigned char** masks_ = nullptr;
    Line line_;
};

} // namespace veltrane

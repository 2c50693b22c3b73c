// The interlacing engine the calibrator runs: the same bytes as the reference
// engine (view_masks.h, blend.h), built row by row instead of mask by mask.
//
// For the usual lens geometry every line is walked row by row, and a mask byte
// of row y is only ever written by samples on row y. So each row can be built
// on its own: the samples of all lines on that row, in line order (the last
// write of a view still wins), into one small mask row per view, blended and
// clamped at once. The frame is cut into column strips that keep the x of the
// lines reaching them from row to row, and threads take 32 rows of a strip at
// a time. Lines as steep as they are wide are walked column by column, and
// their strips keep three rows of samples. Horizontal lines go through the
// reference engine.
#pragma once

#include "veltrane/engine/status.h"
#include "lens_geometry.h"
#include "veltrane/engine/mask_allocator.h"

namespace veltrane {

// Composes output from one source image per view: sources[v] goes through the
// mask of view v, for v < lens.viewCount. Images are continuous 8UC3 buffers
// of lens.width x lens.height; sources in subpixel order (red first) when
// lens.subpixelOrder. On failure output is untouched.
Status interlaceViewsFast(const LensGeometry& lens, const unsigned char* const* sources, unsigned char* output,
                                const MaskAllocator& allocator = heapAllocator());

// Adds the shares of several views (views[i] from sources[i], each view
// once) into output, saturating at 255, in one pass over the output.
Status addViewsFast(const LensGeometry& lens, const int* views, const unsigned char* const* sources, int count,
                          unsigned char* output, const MaskAllocator& allocator = heapAllocator());

// The same with a solid colour for every view: colours[v] points at the
// three bytes of view v's colour, in the order lens.subpixelOrder says
// sources hold. The result is that of images filled with the colours.
Status interlaceColoursFast(const LensGeometry& lens, const unsigned char* const* colours, unsigned char* output,
                            const MaskAllocator& allocator = heapAllocator());

namespace fast {
struct TableRecord;
}

// Fills a view table's segments for the geometry; UnsupportedGeometry for
// one the fast engine leaves to the reference, NoMaskMemory when the entries
// would pass table.maxBytes.
Status compileViewTableFast(const LensGeometry& lens, fast::TableRecord& table,
                            const MaskAllocator& allocator = heapAllocator());

} // namespace veltrane

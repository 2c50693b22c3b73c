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

#include "engine/engine_status.h"
#include "engine/lens_geometry.h"
#include "engine/mask_allocator.h"

// Composes output from one source image per view: sources[v] goes through the
// mask of view v, for v < lens.viewCount. Images are continuous 8UC3 buffers
// of lens.width x lens.height; sources in subpixel order (red first) when
// lens.subpixelOrder. On failure output is untouched.
EngineStatus interlaceViewsFast(const LensGeometry& lens, const unsigned char* const* sources, unsigned char* output,
                                const MaskAllocator& allocator = heapAllocator());

// The two-view composition with lens.viewCount views (twoViewCount of the
// pitch, in pitch mode): the first half from firstImage, the rest from
// secondImage. Same results as interlaceTwoViewsReference.
EngineStatus interlaceTwoViewsFast(const LensGeometry& lens, const unsigned char* firstImage,
                                   const unsigned char* secondImage, unsigned char* output,
                                   const MaskAllocator& allocator = heapAllocator());

// Adds the shares of one view, source through the mask of that view, into
// output, saturating at 255. A view's share is truncated on its own and the
// sum saturates, so adding every view to a zeroed output, in any order, gives
// the composition of all of them: views can be streamed one at a time.
EngineStatus addViewFast(const LensGeometry& lens, int view, const unsigned char* source, unsigned char* output,
                         const MaskAllocator& allocator = heapAllocator());

// The same for several views at once (views[i] from sources[i], each view
// once), in one pass over the output: cheaper than one pass a view.
EngineStatus addViewsFast(const LensGeometry& lens, const int* views, const unsigned char* const* sources, int count,
                          unsigned char* output, const MaskAllocator& allocator = heapAllocator());

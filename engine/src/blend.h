// Subpixel blending of view images through their masks: the reference
// composition, and the two-view composition of pitch mode. Images are
// continuous 8UC3 buffers of width x height pixels in blue, green, red order
// (or red first with subpixelOrder).
#pragma once

#include "veltrane/engine/status.h"
#include "lens_geometry.h"
#include "veltrane/engine/mask_allocator.h"
#include "view_masks.h"

namespace veltrane {

// Adds pixel (x, y) of viewImage, weighted subpixel by subpixel by the mask
// of the given view, into output (outer channels crossed, saturating at 255):
// each share truncated with the lines weighting, rounded with the full one.
void blendPixel(const ViewMasks& masks, const unsigned char* viewImage, unsigned char* output, int view, int x,
                int y);

// Composes output from one source image per view: sources[v] through the mask
// of view v, every pixel of every view. On failure output is untouched.
Status interlaceViewsReference(const LensGeometry& lens, const unsigned char* const* sources,
                                     unsigned char* output, const MaskAllocator& allocator = heapAllocator());


} // namespace veltrane

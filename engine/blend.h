// Subpixel blending of view images through their masks, and the two-view
// interlacing of pitch mode. Images are continuous 8UC3 buffers of
// state.width x state.height pixels; masks come from view_masks.h.
#pragma once

#include <vector>

// Adds pixel (x, y) of viewImage, weighted subpixel by subpixel by the mask of
// the given view, into output (outer channels crossed, saturating at 255).
void blendPixel(const unsigned char* viewImage, unsigned char* output, int view, int x, int y);

// Composes output from one source image per view: sources[v] through the mask
// of view v, every pixel of every view. 0 on success, 1 or 2 when the masks
// could not be allocated (message printed, output untouched).
int interlaceViews(const unsigned char* const* sources, unsigned char* output);

// The sources of the two-view composition for state.viewCount views: the
// first half of the views shows firstImage, the rest secondImage.
std::vector<const unsigned char*> twoViewSources(const unsigned char* firstImage, const unsigned char* secondImage);

// The view count that pitch mode derives from state.pitch.
int twoViewCount(double pitch);

// Composes output from two images: the first half of the views from
// firstImage, the rest from secondImage. 0 on success, 1 or 2 when the masks
// could not be allocated (message printed, output untouched).
int interlaceTwoViews(const unsigned char* firstImage, const unsigned char* secondImage,
                      unsigned char* output);

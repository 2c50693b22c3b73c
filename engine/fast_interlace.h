// The interlacing engine the calibrator runs: the same bytes as the reference
// engine (view_masks.h, blend.h), built row by row instead of mask by mask.
//
// For the usual lens geometry every line is walked row by row, and a mask byte
// of row y is only ever written by samples on row y. So each row can be built
// on its own: the samples of all lines on that row, in line order (the last
// write of a view still wins), into one small mask row per view, blended and
// clamped at once. The frame is cut into column strips that keep the x of the
// lines reaching them from row to row, and threads take 32 rows of a strip at
// a time. Geometries walked column by column (equal extents, horizontal
// lines) go through the reference engine.
#pragma once

#include <cstddef>

// Composes output from one source image per view: sources[v] goes through the
// mask of view v, for v < state.viewCount. Images are continuous 8UC3 buffers
// of state.width x state.height. 0 on success; 1 or 2 when memory could not be
// allocated (message printed, output untouched).
int fastInterlaceViews(const unsigned char* const* sources, unsigned char* output);

// The same for sources whose pixels hold red first and blue last (subpixel
// order), as crossSubpixelOrder leaves them: the view sequence swaps each
// image once while it decodes, instead of once per composition row.
int fastInterlaceSubpixelViews(const unsigned char* const* sources, unsigned char* output);

// Swaps the first and last channel of every pixel of a continuous 8UC3 buffer
// of count bytes, from one buffer into another.
void crossSubpixelOrder(const unsigned char* from, unsigned char* to, std::size_t count);

// The pitch-mode composition: view count from the pitch, the first half of
// the views from firstImage, the rest from secondImage. Same results as
// interlaceTwoViews.
int fastInterlaceTwoViews(const unsigned char* firstImage, const unsigned char* secondImage,
                          unsigned char* output);

// View-mask rasteriser: one intensity mask per view, drawn as anti-aliased
// slanted lens lines, one byte per subpixel. This is the straightforward
// reference implementation; every mask byte is defined by it.
#pragma once

// Sets maskStride and subpixelSlantX, allocates viewCount zeroed masks of
// height x maskStride bytes. 0 on success; 1 when the pointer array, 2 when a
// mask could not be allocated. On failure nothing stays allocated.
int allocateViewMasks();

// Frees every mask and the array that holds them.
void releaseViewMasks();

// Draws every lens line of every view into the masks just allocated.
void generateViewMasks();

// Draws one lens line that starts at (x0, y0) into the mask of currentView.
void rasteriseLine(double x0, double y0);

// Write the three subpixels of a row (or a column) around a sample point.
void plotRowTriple(double x, double y);
void plotColumnTriple(double x, double y);

// Prints the message of an allocation result (1 or 2) on standard output.
void reportAllocationFailure(int result);

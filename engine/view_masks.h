// View-mask rasteriser: one intensity mask per view, drawn as anti-aliased
// slanted lens lines, one byte per subpixel. This is the straightforward
// reference implementation; every mask byte is defined by it.
#pragma once

#include <vector>

// Sets maskStride and subpixelSlantX, allocates viewCount zeroed masks of
// height x maskStride bytes. 0 on success; 1 when the pointer array, 2 when a
// mask could not be allocated. On failure nothing stays allocated.
int allocateViewMasks();

// Frees every mask and the array that holds them.
void releaseViewMasks();

// Draws every lens line of every view into the masks just allocated.
void generateViewMasks();

// Start columns on row 0 of all lens lines, in drawing order (line k belongs to
// view k mod viewCount), for lines of the given horizontal extent. Each start
// is the previous one plus the view spacing. Empty when the spacing is not
// positive or the lines would be absurdly many.
std::vector<double> lensLineStarts(double lineDx);

// Draws one lens line that starts at (x0, y0) into the mask of currentView.
void rasteriseLine(double x0, double y0);

// Write the three subpixels of a row (or a column) around a sample point.
void plotRowTriple(double x, double y);
void plotColumnTriple(double x, double y);

// Prints the message of an allocation result (1 or 2) on standard output.
void reportAllocationFailure(int result);

// The lens geometry that a composition takes, and what follows from it for
// every lens line: the weight table scaled by the view spacing, the line
// direction, and the lines' start columns. Values in, values out.
#pragma once

#include "veltrane/engine/weighting.h"

#include <vector>

namespace veltrane {

// What a composition is asked for. Coordinates of the engine: x in subpixel
// columns (3 x width per row), y in pixel rows.
struct LensGeometry {
    int width = 0;          // of the output and every source, in pixels
    int height = 0;
    double pitch = 8.0;     // lens width in subpixel columns
    int slantX = 0;         // the slant as the calibrator prints it: -x and -y
    int slantY = 0;
    bool mirror = false;    // the lenses lean the other way
    int viewCount = 0;
    bool subpixelOrder = false; // sources hold red first (crossSubpixelOrder), not blue
    bool panelBgr = false;      // the panel's subpixels run blue, green, red
    double lineShift = 0.0;     // every line starts this many view spacings further left, [0, 1)
    int threads = 0;        // 0: as many as OpenCV's thread count
    Weighting weighting = Weighting::Lines;
};

constexpr int WeightTableSize = 24;
// Base intensity of a subpixel by its distance from a lens line, in 23rds of
// a subpixel, for a view spacing of one subpixel.
constexpr int WeightProfile[WeightTableSize] = {199, 198, 194, 188, 179, 169, 156, 142, 127, 112, 98, 84,
                                                70,  58,  47,  37,  28,  21,  14,  9,   5,   3,   1,   0};
// Step of the line walks, and the neighbour distance of their plots.
constexpr double SampleStep = 1.0;

// What every lens line of one composition shares.
struct SlantGeometry {
    int weightTable[WeightTableSize] = {}; // the profile times the view spacing, truncated
    int lineDx = 0;         // horizontal extent of a line (negative unless mirrored)
    int lineDy = 0;         // vertical extent
    int subpixelSlantX = 0; // 3 x slantX
    int maskStride = 0;     // bytes of a mask row: 3 x width
};

SlantGeometry deriveSlantGeometry(const LensGeometry& lens);

// Weight of a subpixel at the given perpendicular distance from a lens line.
int lookupWeight(const SlantGeometry& slant, double distance);

// True when the lens lines of the geometry are few enough to draw (and the
// view spacing is positive): what lensLineStarts gives lines for.
bool lensLinesDrawable(const LensGeometry& lens, const SlantGeometry& slant);

// Where the first lens line starts on row 0 (lineShift not applied).
double firstLineStart(const LensGeometry& lens, const SlantGeometry& slant);

// Start columns on row 0 of all lens lines, in drawing order (line k belongs
// to view k mod viewCount), for lines of the given horizontal extent. Each
// start is the previous one plus the view spacing; the first is the range's
// start less lineShift spacings. Empty when the spacing is
// not positive or the lines would be absurdly many.
std::vector<double> lensLineStarts(const LensGeometry& lens, const SlantGeometry& slant);

// Double to int, truncating toward zero; values beyond +-INT_MAX are held there
// (so the result can always be negated) and NaN gives 0.
int truncToInt(double value);

// The sources of the two-view composition for this many views: the first
// half of the views shows firstImage, the rest secondImage.
std::vector<const unsigned char*> twoViewSources(int viewCount, const unsigned char* firstImage,
                                                 const unsigned char* secondImage);

} // namespace veltrane

// Slant geometry shared by all lens lines of one mask generation: the weight
// table scaled by the view spacing, the line direction, and the weight lookup.
#pragma once

// Rewrites state.weightTable, state.lineDx and state.lineDy; returns lineDx.
double computeSlantGeometry();

// Weight of a subpixel at the given perpendicular distance from a lens line.
int lookupWeight(double distance);

// Double to int, truncating toward zero; values beyond +-INT_MAX are held there
// (so the result can always be negated) and NaN gives 0.
int truncToInt(double value);

// The lens geometry of the calibration in force, for a composition of the
// given size and view count.
#pragma once

#include "engine/lens_geometry.h"

LensGeometry calibratorLens(int width, int height, int viewCount, bool subpixelOrder = false);

// Prints the calibrator's message for a failed composition on standard output.
void reportEngineFailure(int status);

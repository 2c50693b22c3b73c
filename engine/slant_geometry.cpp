#include "engine/slant_geometry.h"

#include "app/calibration_state.h"

#include <climits>
#include <cmath>

int truncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= -static_cast<double>(INT_MAX))
        return -INT_MAX;
    return static_cast<int>(value);
}

double computeSlantGeometry()
{
    const double spacing = state.pitch / static_cast<double>(state.viewCount);
    for (int i = 0; i < WeightTableSize; ++i)
        state.weightTable[i] = truncToInt(state.weightProfile[i] * spacing);

    double q;
    if (state.slantY != 0)
        q = static_cast<double>(state.height) / static_cast<double>(state.slantY);
    else
        q = static_cast<double>(state.width) / static_cast<double>(state.subpixelSlantX);

    state.lineDx = truncToInt(state.subpixelSlantX * q);
    state.lineDy = truncToInt(q * state.slantY);
    if (state.mirror == 0)
        state.lineDx = -state.lineDx;
    return static_cast<double>(state.lineDx);
}

int lookupWeight(double distance)
{
    if (distance < 1.0)
        return state.weightTable[static_cast<int>(23 * distance)];
    return 0;
}

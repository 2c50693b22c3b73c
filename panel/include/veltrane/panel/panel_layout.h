// Geometry of the control panel: the button bar along the top edge, the drag
// area with its five digit rows, and the read-out strip along the bottom edge.
#pragma once

#include "veltrane/core/calibration_state.h"

namespace veltrane {

// Fills state.layout from state.width and state.height.
void computePanelLayout(CalibrationState& state);

bool rectContains(const PanelRect& rect, int x, int y);

// Height of the top bar and of the bottom strip for a window width: a fifth of
// the width, halved and rounded up.
int panelBarHeight(int width);

} // namespace veltrane

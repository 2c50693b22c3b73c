// The pointer handler of the main window: hover flags, mode buttons, slant and
// pitch drags in the drag area, and the choice of the pitch digit by row.
#pragma once

#include "veltrane/core/window_backend.h"

namespace veltrane {

// A PointerHandler: userData is the CalibrationState it works on; events are
// the calibrator's own (PointerMove, PointerLeftDown, PointerLeftUp), others
// are ignored.
void onPointerEvent(int event, int x, int y, int flags, void* userData);

} // namespace veltrane

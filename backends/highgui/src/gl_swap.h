// GL windows on X: whether the display has GLX at all, and vsync for the
// GL window whose context is current (a swap waits for the vertical blank,
// a swap interval of 1) through whichever of GLX's swap controls the driver
// has.
#pragma once

#include <X11/Xlib.h>

namespace veltrane {

// True when the display's server and a GL driver for it speak GLX.
bool glxAvailable(Display* display);

// Asks for it once for each context; false when the driver has no swap control.
bool swapAtVerticalBlank();

} // namespace veltrane

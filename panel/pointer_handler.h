// The pointer handler of the main window: hover flags, mode buttons, slant and
// pitch drags in the drag area, and the choice of the pitch digit by row.
#pragma once

// highgui's pointer event codes used here.
constexpr int PointerMove = 0;
constexpr int PointerLeftDown = 1;
constexpr int PointerLeftUp = 4;

void onPointerEvent(int event, int x, int y, int flags, void* userData);

// The pointer handler of the main window: hover flags, mode buttons, slant and
// pitch drags in the drag area, and the choice of the pitch digit by row.
#pragma once

// The calibrator's pointer events, numbered as highgui numbers its own (each
// window back end translates into these); the handler ignores other codes.
constexpr int PointerMove = 0;
constexpr int PointerLeftDown = 1;
constexpr int PointerLeftUp = 4;

void onPointerEvent(int event, int x, int y, int flags, void* userData);

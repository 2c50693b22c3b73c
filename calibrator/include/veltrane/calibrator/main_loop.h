// The main loop: one pass per key wait, until quit, Escape, or a pitch frame
// that cannot get memory.
#pragma once

#include <cstdio>

#include "veltrane/core/window_backend.h"
#include "veltrane/calibrator/calibrator.h"

namespace veltrane {

constexpr int KeyWaitMs = 15;
extern const char* const ViewSequenceTitle;

// How a pass ended: go on, or the loop is over and why.
enum class PassResult {
    Continue,
    Quit,          // the quit button, Escape, or the main window closed
    OutOfMemory,   // the pitch frame could not get its memory (message printed)
};

PassResult runPass(Calibrator& calibrator, WindowBackend& windows);

// Runs passes until one ends the loop; returns how it ended.
PassResult runMainLoop(Calibrator& calibrator, WindowBackend& windows);

// slantX and slantY from the slant offset, the drag under way and the height
// of the drag area; every pass in slant mode, and once at start-up.
void deriveSlant(CalibrationState& state);

// Writes the parameter line ("param: -x ... \r") to out (the program's
// standard error) and flushes it.
void writeParameterLine(const CalibrationState& state, std::FILE* out);

} // namespace veltrane

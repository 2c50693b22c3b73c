// The main loop: one pass per key wait, until quit, Escape, or a pitch frame
// that cannot get memory.
#pragma once

#include "app/window_backend.h"
#include "app/working_images.h"

constexpr int KeyWaitMs = 15;
extern const char* const ViewSequenceTitle;

// Runs one pass; false when the loop is to end.
bool runPass(WindowBackend& windows, WorkingImages& images);

void runMainLoop(WindowBackend& windows, WorkingImages& images);

// Writes the parameter line ("param: -x ... \r") to standard error and flushes it.
void writeParameterLine();

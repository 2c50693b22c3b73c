// Start-up: options into the state, the banner, the working and program-wide
// images, the panel layout, and the main window with its pointer handler.
#pragma once

#include "app/options.h"
#include "app/window_backend.h"
#include "app/working_images.h"

extern const char* const WindowTitle;

void startUp(const Options& options, WorkingImages& images, WindowBackend& windows);

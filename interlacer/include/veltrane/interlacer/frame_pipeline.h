// veltrane-interlace's work: views (or quilt tiles) are decoded in parallel,
// each view's shares added into its frame as it comes and then dropped, and
// finished frames written by a thread of their own while the next frame's
// views decode. Memory holds a few decoded views, not a frame's all.
#pragma once

#include "veltrane/interlacer/interlace_options.h"

#include <cstdio>

namespace veltrane {

// Interlaces what the options name. Warnings (a dark output) go to messages
// when it is not null, and so does the progress when asked. A failure says
// itself in one line, and leaves nothing half written.
Outcome runInterlace(const InterlaceOptions& options, std::FILE* messages, bool progress);

} // namespace veltrane

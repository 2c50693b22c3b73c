// veltrane-interlace's work: views (or quilt tiles) are decoded in parallel,
// each view's shares added into its frame as it comes and then dropped, and
// finished frames written by a thread of their own while the next frame's
// views decode. Memory holds a few decoded views, not a frame's all.
#pragma once

#include "veltrane/interlacer/interlace_options.h"

#include <cstdio>
#include <string>

namespace veltrane {

enum InterlaceExit { InterlaceDone = 0, InterlaceFailed = 1, InterlaceUsage = 2 };

// Interlaces what the options name. Warnings (a dark output) go to messages
// when it is not null, and so does the progress when asked. On failure
// message holds one line, and nothing is left half written.
InterlaceExit runInterlace(const InterlaceOptions& options, std::FILE* messages, bool progress, std::string& message);

} // namespace veltrane

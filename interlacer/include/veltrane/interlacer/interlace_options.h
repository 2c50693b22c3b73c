// The options of veltrane-interlace: what every program that shows content
// takes (the calibration, the views or quilt, the output size and order),
// and the output.
#pragma once

#include "veltrane/content/source_options.h"
#include "veltrane/records/outcome.h"

#include <string>

namespace veltrane {

struct InterlaceOptions : SourceOptions {
    InterlaceOptions() = default;
    explicit InterlaceOptions(const SourceOptions& source) : SourceOptions(source) {}

    std::string output;
    int shardIndex = 0; // --shard=I/N: only the frames whose number is I mod N
    int shardCount = 1;
    bool force = false;
    bool allowLossy = false;
    bool quiet = false;
    bool gpu = false; // composed on the GPU, headless: the same bytes
};


// Reads the command line; Help fills text with the usage, Invalid with one
// line for the user.
Parse parseInterlaceOptions(int argc, const char* const* argv, InterlaceOptions& options, std::string& text);

} // namespace veltrane

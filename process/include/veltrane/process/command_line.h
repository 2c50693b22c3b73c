// A program's command line read with CLI11: the usage when asked, or
// CLI11's refusal as one printable line.
#pragma once

#include "veltrane/records/outcome.h"

#include <CLI/CLI.hpp>

#include <string>

namespace veltrane {


// Parses argv with app; Help fills text with the usage, Invalid with the
// refusal (what the user typed shown, not obeyed: control characters
// escaped).
Parse parseCommandLine(CLI::App& app, int argc, const char* const* argv, std::string& text);

} // namespace veltrane

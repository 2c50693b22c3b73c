// veltrane-simulate's command line, read with CLI11: the image the panel
// shows, the true sheet (a printed parameter line or a record, with its
// view phase and subpixel order, and the gap to the panel), the eyes and
// the output.
#pragma once

#include "veltrane/records/outcome.h"
#include "veltrane/simulator/lens_view.h"

#include <functional>
#include <string>
#include <vector>

namespace veltrane {

struct SimulateOptions {
    std::string image;
    veltrane::LensSheet sheet;
    std::vector<veltrane::Eye> eyes;
    veltrane::SeeingOptions seeing;
    std::string output; // with {eye} when there are several eyes
    bool force = false;
    bool quiet = false;
};

// Told after each eye's view is written: its number (from 0), the eyes, the file.
using EyeProgress = std::function<void(std::size_t eye, std::size_t eyes, const std::string& written)>;


// Help fills text with the usage, Invalid with one line for the user.
Parse parseSimulateOptions(int argc, const char* const* argv, SimulateOptions& options, std::string& text);

// The output of eye i: {eye} replaced by i.
std::string eyeOutput(const std::string& pattern, std::size_t eye);

// Reads the image, sees it from every eye and writes each view as a PNG
// (whole, under a temporary name, never replacing a file unless force).
// False with one line: status 1 for what was found wrong while working.
Outcome runSimulation(const SimulateOptions& options, const EyeProgress& progress = nullptr);

} // namespace veltrane

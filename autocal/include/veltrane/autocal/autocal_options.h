// veltrane-autocal's command line, read with CLI11, and its work: the guess
// (a printed line or a record, whose -y is the display's), the display's
// size, and where the photos come from: a photo file for one round, a
// camera or the virtual camera for every round (a camera's rounds need the
// patterns shown on --screen); or only the pattern written, to be shown.
#pragma once

#include "veltrane/records/outcome.h"
#include "veltrane/autocal/virtual_camera.h"

#include <functional>
#include <string>

namespace veltrane {

struct AutocalOptions {
    veltrane::Calibration guess;
    cv::Size display;
    // The views' order a guess's record kept (veltrane-play's), carried into --save.
    bool reverse = false;
    int viewOffset = 0;
    std::string pattern; // write the guess's pattern here, and stop
    std::string photo;   // one round from this photo
    int camera = -1;     // one round from this camera
    bool simulated = false;
    veltrane::VirtualCamera virtualCamera;
    int rounds = 3;
    std::string screen;  // show each round's pattern full screen there first
    int settleMs = 700;  // and wait this long for the panel and the camera
    std::string save;
    bool force = false;
};


// Help fills text with the usage, Invalid with one line for the user.
Parse parseAutocalOptions(int argc, const char* const* argv, AutocalOptions& options, std::string& text);

// Reads a virtual camera from "sim:pitch=8.3,x=6,mirror=1,gap=30,...";
// false with one line.
bool parseVirtualCamera(const std::string& text, const veltrane::Calibration& guess, veltrane::VirtualCamera& camera,
                        std::string& message);

// Shows a round's pattern on the display before its photo is taken (the
// program's window on --screen); none: the pattern is there already.
using ShowPattern = std::function<void(const cv::Mat& pattern)>;

// The work; line is the calibration found, as the calibrator prints it.
// A failure says in one line what is wrong (with a photo, a file that cannot
// be written): never a number then.
Outcome runAutocal(const AutocalOptions& options, const ShowPattern& show, std::string& line);

} // namespace veltrane

// veltrane-autocal's command line, read with CLI11, and its work: the guess
// (a printed line or a record, whose -y is the display's), the display's
// size, and where the photos come from: a photo file for one round, a
// camera or the virtual camera for every round (a camera's rounds need the
// patterns shown on --screen); or only the pattern written, to be shown.
#pragma once

#include "veltrane/records/calibration_record.h"
#include "veltrane/records/outcome.h"
#include "veltrane/autocal/photo_rounds.h"
#include "veltrane/autocal/virtual_camera.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace veltrane {

struct AutocalOptions {
    veltrane::Calibration guess;
    bool guessGiven = false; // with --photo the guess may come from the photo's code instead
    cv::Size display;
    // The views' order a guess's record kept (veltrane-play's), carried into --save.
    bool reverse = false;
    int viewOffset = 0;
    // The sheet's gap and the panel's width a guess's record kept, carried
    // into --save (not its viewing distance: the numbers found are the
    // camera's).
    veltrane::RecordedMeasures measures;
    // --distance: the camera's from the display, in millimetres, tape-measured:
    // the record's viewing distance, the numbers found being for it.
    std::optional<double> distance;
    // The guess's record's viewing distance: with --distance another a fifth
    // or more away, the guess's pitch and the one found give the sheet's gap.
    std::optional<double> guessDistance;
    // --camera-fov: the camera's horizontal field of view, in degrees (0:
    // not given); with the panel's width, the camera's distance is read off
    // the display's outline in the photo instead of --distance.
    double cameraFov = 0.0;
    // --view-count: the view phase measured for content of this many views
    // (0: not measured, the guess's kept), from one more photo, of the views'
    // code drawn with the numbers found: the middle views at the camera.
    int viewCount = 0;
    // Write the guess's pattern here, and stop; with --photo, the next round's
    // pattern, named for its round (pattern-2.png).
    std::string pattern;
    std::string photo;   // one round from this photo
    int camera = -1;     // one round from this camera
    bool simulated = false;
    veltrane::VirtualCamera virtualCamera;
    int rounds = 3;
    std::string screen;  // show each round's pattern full screen there first
    int settleMs = 700;  // and wait this long for the panel and the camera
    std::string save;
    bool force = false;
    bool quiet = false;
    bool listScreens = false;
    RoundProgress progress; // told after each round (the program's progress lines)
};


// Help fills text with the usage, Invalid with one line for the user.
Parse parseAutocalOptions(int argc, const char* const* argv, AutocalOptions& options, std::string& text);

// Reads a virtual camera from "sim:pitch=8.3,x=6,mirror=1,gap=30,...";
// false with one line.
bool parseVirtualCamera(const std::string& text, const veltrane::Calibration& guess, veltrane::VirtualCamera& camera,
                        std::string& message);

// Shows a round's pattern on the display before its photo is taken (the
// program's window on --screen); none: the pattern is there already. False
// when the person closed the window (q or Escape): the rounds stop there.
using ShowPattern = std::function<bool(const cv::Mat& pattern)>;

struct AutocalReport {
    std::string line;               // the calibration found, as the calibrator prints it
    std::vector<std::string> notes; // for the person: a warning, the next round's pattern
};

// The name of a round's pattern: the name given for round 1, "-N" before
// its ".png" for round N ("pattern.png", "pattern-2.png", "pattern-3.png";
// a given "pattern-2.png" is of the same series).
std::string roundPatternName(const std::string& given, int round);

// The work. A failure says in one line what is wrong (with a photo, a file
// that cannot be written): never a number then.
Outcome runAutocal(const AutocalOptions& options, const ShowPattern& show, AutocalReport& report);

} // namespace veltrane

// The command-line options: the window size and pitch (read through OpenCV's
// parser), the screen to calibrate on, and a calibration to start from or to
// save. Checked before any window opens.
#pragma once

#include "veltrane/records/calibration_record.h"
#include "veltrane/records/parameter_line.h"
#include "veltrane/records/value_text.h"

#include <string>

namespace veltrane {

struct Monitor;

struct Options {
    int width = 640;
    int height = 512;
    double pitch = 8.0;
    bool widthGiven = false;
    bool heightGiven = false;
    bool pitchGiven = false;

    bool listScreens = false; // --list-screens
    std::string screen;       // --screen: index, name or geometry
    std::string save;         // --save: the record written when the calibrator quits

    // --from or --calibration: the calibration to start with, and the size
    // of the window it was saved from (0 when not known).
    bool resume = false;
    veltrane::Calibration start;
    int recordWidth = 0;
    int recordHeight = 0;
    // The views' order the record kept (veltrane-play's), carried into --save.
    bool recordReverse = false;
    int recordViewOffset = 0;
    // The sheet's gap and the panel's width of the record started from, kept
    // (they are the hardware's); its viewing distance is not, as numbers
    // found again by eye are found from wherever the eye was.
    veltrane::RecordedMeasures recordMeasures;

    // --panel, else the record's: the order of the panel's subpixels.
    veltrane::ChannelOrder subpixelOrder = veltrane::ChannelOrder::Rgb;
};

enum class OptionsResult {
    Run,     // options are valid
    Help,    // usage was asked for
    Invalid, // message holds one line for the user
};

constexpr int MinWidth = 5;

OptionsResult parseOptions(int argc, const char* const argv[], Options& options, std::string& message);

// The window size once the screen is known (null for an ordinary window):
// sizes not given come from the screen, else from a saved record; given sizes
// must fit the screen, and the height must leave room for the drag area.
bool settleWindowSize(Options& options, const Monitor* screen, std::string& message);

// The usage text printed for --help.
std::string usageText(const char* program);

} // namespace veltrane

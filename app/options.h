// The three command-line options, read through OpenCV's parser and checked
// before any window opens.
#pragma once

#include <string>

struct Options {
    int width = 640;
    int height = 512;
    double pitch = 8.0;
};

enum class OptionsResult {
    Run,     // options are valid
    Help,    // usage was asked for
    Invalid, // message holds one line for the user
};

constexpr int MaxImageSide = 16384;
constexpr int MinWidth = 5;
constexpr double MinPitch = 1.0;
constexpr double PitchLimit = 1000.0;

// True when the pitch prints (as "%8.4f") from 1.0000 up to 999.9999: finite,
// at least MinPitch, and not so close to PitchLimit that it rounds to it.
bool pitchInRange(double pitch);

OptionsResult parseOptions(int argc, const char* const argv[], Options& options, std::string& message);

// The usage text printed for --help.
std::string usageText(const char* program);

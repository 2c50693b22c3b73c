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

OptionsResult parseOptions(int argc, const char* const argv[], Options& options, std::string& message);

// The usage text printed for --help.
std::string usageText(const char* program);

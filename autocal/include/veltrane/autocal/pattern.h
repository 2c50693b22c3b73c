// The pattern shown for a round of calibration from photographs: a white
// frame around the whole display (found in the photo whatever the lenses
// do to it: every lens over white shows white), and inside it two fields
// interlaced white and black at the guessed slant, one at a pitch a little
// below the guess and one a little above, so that both show fringes through
// the true sheet, and which way each leans tells the sign of the difference.
// In the first field's top left corner, where its fringes are weighed least,
// a QR code says what the pattern was drawn for, when it fits there with
// modules of two lenses or more.
#pragma once

#include "veltrane/autocal/pattern_code.h"
#include "veltrane/engine/calibration.h"
#include "veltrane/engine/status.h"

#include <opencv2/core.hpp>

namespace veltrane {

struct PatternLayout {
    cv::Size display;
    int frame = 0;       // the white frame's width, in pixels
    int gap = 0;         // the black between the frame and the fields
    cv::Rect fields[2];  // below and above the guessed pitch
    cv::Rect code;       // the code's square, inside the first field; empty when none fits
};

// The smallest display a pattern is drawn for, each side in pixels: below
// it the frame and the fields do not fit.
constexpr int SmallestPatternSide = 64;

PatternLayout patternLayout(cv::Size display, double pitch);

// Where the code's modules (patternCodeModules' image, a pixel a module) are
// drawn, each module a square of whole pixels, in the middle of the code's
// square.
cv::Rect codeModulesRect(const PatternLayout& layout, const cv::Mat& modules);

// How far the fields' pitches lie from the guess (a share of it): enough for
// several fringes across a field even when the guess is a few per cent off.
double fieldSpread(const PatternLayout& layout, double pitch);

// The layout's two fields' calibrations for the guess: at its pitch times
// 1 - spread and 1 + spread; but none drawn within 8 % of two pixels (six
// subpixel columns) a line, nor within a few fringes across the field of
// four pixels, where a panel of the other subpixel order shows a twin of
// the fringes: such a field is moved past that band, or past the other
// field, whichever beats slower with the guess.
Calibration fieldCalibration(const PatternLayout& layout, const Calibration& guess, int field);

// What is said of a guess the engine draws no lines for.
constexpr const char* UndrawableGuess = "the guess cannot be drawn (its lenses are all but horizontal)";

// The pattern for a code's guess and round; Done, or the engine's status for
// it (InvalidImage for a display below SmallestPatternSide).
Status drawPattern(const PatternLayout& layout, const PatternCode& code, cv::Mat& pattern);

} // namespace veltrane

// One round from a photo taken already: the guess its pattern was drawn for
// read from the pattern's code (or the guess given, for a photo whose code
// cannot be read), the photo turned upright by the code, and the round run.
#pragma once

#include "veltrane/autocal/pattern_code.h"
#include "veltrane/autocal/photo_rounds.h"
#include "veltrane/records/outcome.h"

#include <opencv2/core.hpp>

#include <optional>
#include <string>
#include <vector>

namespace veltrane {

// The guess and display the photo's pattern was drawn for, when known: a
// code read must agree with them; the guess's view phase and panel order
// are the ones kept.
struct PhotoGuess {
    std::optional<Calibration> guess;
    cv::Size display; // 0 x 0: not given
};

struct PhotoRound {
    PatternCode shown;   // what the pattern was drawn for, and its round
    cv::Mat upright;     // the photo, turned the way its pattern was shown
    RoundsResult result; // the numbers found
    std::vector<std::string> notes;
};

// The photo's pattern read and turned upright (the guess's, shown, filled);
// a failure in one line.
Outcome readPhotoPattern(cv::Mat& photo, const PhotoGuess& given, PatternCode& shown, std::vector<std::string>& notes);

// The pattern read, and one round from the photo.
Outcome roundFromPhoto(const cv::Mat& photo, const PhotoGuess& given, PhotoRound& round);

} // namespace veltrane

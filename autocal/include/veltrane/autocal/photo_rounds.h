// Calibration from photographs, round by round: the pattern for the guess
// shown and photographed, the fringes read, the sheet solved, and the
// solution the next round's guess, until it stops moving or the rounds run
// out. Where the photos come from is the caller's (a camera, files, or the
// virtual camera).
#pragma once

#include "veltrane/autocal/pattern.h"
#include "veltrane/engine/calibration.h"

#include <opencv2/core.hpp>

#include <functional>
#include <string>
#include <utility>

namespace veltrane {

class PhotoSource {
public:
    virtual ~PhotoSource() = default;
    // A photo of the display showing pattern; false with the problem.
    virtual bool take(const cv::Mat& pattern, cv::Mat& photo, std::string& problem) = 0;
};

// The same photo for every pattern: a photo taken already, for one round.
class HeldPhoto : public PhotoSource {
public:
    explicit HeldPhoto(cv::Mat photo) : photo_(std::move(photo)) {}
    bool take(const cv::Mat&, cv::Mat& photo, std::string&) override
    {
        photo = photo_;
        return true;
    }

private:
    cv::Mat photo_;
};

// Told after each round: its number, the rounds at most, and the numbers
// it found (the next round's guess).
using RoundProgress = std::function<void(int round, int rounds, const Calibration& found)>;

struct RoundsOptions {
    int rounds = 3;
    RoundProgress progress; // none: nothing told
    int firstRound = 1; // the number the first round's pattern carries
    // The rectified display's largest side, in pixels: fringes are slow, so
    // a large display is read at a fraction of its pixels.
    int readWidth = 1280;
};

struct RoundsResult {
    Calibration calibration;
    int rounds = 0;       // taken
    double moved = 0.0;   // fringes across the display between the last two guesses
    double misfit = 0.0;  // the last round's: how far its fields' answers lie apart, in fringes across a field
};

// From the guess (its -y the display's, kept); false with one line.
bool calibrateFromPhotos(const Calibration& guess, cv::Size display, PhotoSource& photos,
                         const RoundsOptions& options, RoundsResult& result, std::string& problem);

// Fringes across a display of this size between lenses of two calibrations.
double fringesBetween(const Calibration& a, const Calibration& b, cv::Size display);

} // namespace veltrane

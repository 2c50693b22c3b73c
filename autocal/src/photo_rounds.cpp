#include "veltrane/autocal/photo_rounds.h"

#include "veltrane/autocal/photo_reading.h"
#include "veltrane/autocal/sheet_solving.h"

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// Below this many fringes across the display, a new guess is not worth a round.
constexpr double Settled = 0.05;
// How far off a guess may be: a share of its pitch, and whole steps of -x.
constexpr double PitchOff = 0.07;
constexpr int SlantStepsOff = 4;

// Where a field's fringes lie when the guess is right, and how far they can
// be from there when it is off by as much as it may be.
FringeWindow fringeWindow(cv::Point2d field, cv::Point2d guess, const Calibration& calibration)
{
    const double slantStep = 3.0 / std::max(1, calibration.y) / calibration.pitch; // cycles a row, per -x
    return {field - guess, cv::Point2d(PitchOff * std::fabs(guess.x),
                                       PitchOff * std::fabs(guess.y) + SlantStepsOff * slantStep)};
}

// One round: the pattern for guess, photographed and read.
bool round(const Calibration& guess, const PatternLayout& layout, double scale, PhotoSource& photos,
           cv::Point2d& frequency, std::string& problem)
{
    cv::Mat pattern;
    if (drawPattern(layout, guess, pattern) != Status::Done) {
        problem = UndrawableGuess;
        return false;
    }
    cv::Mat photo;
    if (!photos.take(pattern, photo, problem))
        return false;
    cv::Mat rectified;
    if (!rectifyPhoto(photo, layout, scale, rectified, problem))
        return false;
    const double spread = fieldSpread(layout, guess.pitch);
    cv::Point2d guessFrequency;
    if (!lensFrequency(guess, layout.display, guessFrequency)) {
        problem = UndrawableGuess;
        return false;
    }
    cv::Point2d fieldFrequency[2];
    Fringes fringes[2];
    for (int field = 0; field < 2; ++field) {
        const Calibration drawn = fieldCalibration(guess, spread, field);
        if (!lensFrequency(drawn, layout.display, fieldFrequency[field]) ||
            !measureFringes(rectified, layout.fields[field], scale,
                            fringeWindow(fieldFrequency[field], guessFrequency, guess), fringes[field], problem))
            return false;
    }
    return solveFrequency(fieldFrequency, fringes, frequency, problem);
}

} // namespace

double fringesBetween(const Calibration& a, const Calibration& b, cv::Size display)
{
    cv::Point2d ka;
    cv::Point2d kb;
    if (!lensFrequency(a, display, ka) || !lensFrequency(b, display, kb))
        return HUGE_VAL;
    const cv::Point2d d = ka - kb;
    return std::fabs(d.x) * display.width + std::fabs(d.y) * display.height;
}

bool calibrateFromPhotos(const Calibration& guess, cv::Size display, PhotoSource& photos,
                         const RoundsOptions& options, RoundsResult& result, std::string& problem)
{
    const PatternLayout layout = patternLayout(display);
    const double scale = std::min(1.0, static_cast<double>(options.readWidth) / std::max(display.width, display.height));
    Calibration current = guess;
    for (int r = 1; r <= options.rounds; ++r) {
        cv::Point2d frequency;
        if (!round(current, layout, scale, photos, frequency, problem))
            return false;
        const Calibration solved = calibrationOf(frequency, guess, display);
        result.moved = fringesBetween(solved, current, display);
        result.rounds = r;
        const bool settled = result.moved < Settled && solved.x == current.x && solved.mirror == current.mirror;
        current = solved;
        if (settled)
            break;
    }
    result.calibration = current;
    return true;
}

} // namespace veltrane

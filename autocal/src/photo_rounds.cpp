#include "veltrane/autocal/photo_rounds.h"

#include "veltrane/autocal/photo_reading.h"
#include "veltrane/autocal/sheet_solving.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace veltrane {

namespace {

// Below this many fringes across the display, a new guess is not worth a round.
constexpr double Settled = 0.05;
// Rounds that end moving the numbers by more than this (fringes across the
// display) have not found them to a quarter of a fringe.
constexpr double Unsettled = 0.25;
// The misfit (fringes across a field) above which the fields' answers are
// not believed: of 500 simulated displays, those read right stayed below
// 0.14, and every one above 0.25 was read with -x off or wrong (a pitch of
// 13 in a lit room full of things with a reflection: 0.36, -x off); a
// pattern of another guess (another pitch, the other leaning) shows 0.45 or
// more on a display of 960 x 600, more on larger ones.
constexpr double MisfitAllowed = 0.25;
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

// One round: the pattern for the code's guess, photographed and read.
bool round(const PatternCode& code, double scale, PhotoSource& photos, cv::Point2d& frequency, double& misfit,
           std::string& problem)
{
    const Calibration& guess = code.guess;
    const PatternLayout layout = patternLayout(code.display, guess.pitch);
    cv::Mat pattern;
    if (drawPattern(layout, code, pattern) != Status::Done) {
        problem = UndrawableGuess;
        return false;
    }
    cv::Mat photo;
    if (!photos.take(pattern, photo, problem))
        return false;
    cv::Mat rectified;
    if (!rectifyPhoto(photo, layout, guess, scale, rectified, problem))
        return false;
    cv::Point2d guessFrequency;
    if (!lensFrequency(guess, layout.display, guessFrequency)) {
        problem = UndrawableGuess;
        return false;
    }
    cv::Point2d fieldFrequency[2];
    std::vector<Fringes> candidates[2];
    for (int field = 0; field < 2; ++field) {
        const Calibration drawn = fieldCalibration(layout, guess, field);
        if (!lensFrequency(drawn, layout.display, fieldFrequency[field]) ||
            !measureFringes(rectified, layout.fields[field], field == 0 ? layout.code : cv::Rect(), scale,
                            fringeWindow(fieldFrequency[field], guessFrequency, guess), candidates[field], problem))
            return false;
    }
    return solveBestPair(fieldFrequency, candidates, layout.fields[0].size(), frequency, misfit, problem);
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
    const double scale = std::min(1.0, static_cast<double>(options.readWidth) / std::max(display.width, display.height));
    Calibration current = guess;
    for (int r = 1; r <= options.rounds; ++r) {
        cv::Point2d frequency;
        if (!round(PatternCode{current, display, options.firstRound + r - 1}, scale, photos, frequency, result.misfit,
                   problem))
            return false;
        const Calibration solved = calibrationOf(frequency, guess, display);
        result.moved = fringesBetween(solved, current, display);
        result.rounds = r;
        const bool settled = result.moved < Settled && solved.x == current.x && solved.mirror == current.mirror &&
                             result.misfit <= MisfitAllowed;
        current = solved;
        if (options.progress)
            options.progress(options.firstRound + r - 1, options.firstRound + options.rounds - 1, solved);
        if (settled)
            break;
    }
    // Rounds that ran out still moving have read the fringes no closer than
    // they moved: the photos do not hold the numbers to that fringe (the
    // camera's pixels too coarse for the lenses, the fringes too faint).
    if (result.rounds > 1 && result.rounds == options.rounds && result.moved > Unsettled) {
        char text[240];
        std::snprintf(text, sizeof text, "the rounds do not settle (the last moved the numbers %.2f fringes across "
                                         "the display): photograph the display from closer, larger in the photo, "
                                         "or with less blur",
                      result.moved);
        problem = text;
        return false;
    }
    // The last round's fields must agree: numbers read from a pattern drawn
    // for another guess are wrong by as much as the guesses differ.
    if (result.misfit > MisfitAllowed) {
        char text[200];
        std::snprintf(text, sizeof text, "the fringes do not fit the pattern's numbers (its fields disagree by %.2f "
                                         "fringes): a photo of another round's pattern, or the display moved",
                      result.misfit);
        problem = text;
        return false;
    }
    result.calibration = current;
    return true;
}

} // namespace veltrane

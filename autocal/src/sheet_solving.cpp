#include "veltrane/autocal/sheet_solving.h"

#include "veltrane/engine/interlace.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltrane {

bool lensFrequency(const Calibration& calibration, cv::Size display, cv::Point2d& frequency)
{
    LineLayout layout;
    if (lineLayout(calibration, display, 1, layout) != Status::Done)
        return false;
    frequency = cv::Point2d(3.0 / calibration.pitch, -layout.perRow / calibration.pitch);
    return true;
}

Calibration calibrationOf(cv::Point2d frequency, const Calibration& guess, cv::Size display)
{
    Calibration calibration = guess;
    calibration.pitch = 3.0 / frequency.x;
    const double perRow = -frequency.y * calibration.pitch; // columns a row
    // A line moves about 3 x / y columns a row (to the right when mirrored);
    // the engine draws a whole number of columns over the display's height,
    // so the x whose drawn slant is nearest is the one.
    calibration.mirror = perRow > 0.0;
    const long about = std::lround(std::fabs(perRow) * guess.y / 3.0);
    double nearest = HUGE_VAL;
    for (long x = std::max(0L, about - 2); x <= about + 2; ++x) {
        Calibration candidate = calibration;
        candidate.x = static_cast<int>(x);
        cv::Point2d drawn;
        if (!lensFrequency(candidate, display, drawn))
            continue;
        const double apart = std::fabs(-drawn.y * candidate.pitch - perRow);
        if (apart < nearest) {
            nearest = apart;
            calibration.x = candidate.x;
        }
    }
    calibration.mirror = calibration.mirror && calibration.x != 0;
    return calibration;
}

bool solveFrequency(const cv::Point2d fieldFrequency[2], const Fringes fringes[2], cv::Size field,
                    cv::Point2d& solved, double& misfit, std::string& problem)
{
    double closest = std::numeric_limits<double>::infinity();
    for (const double first : {-1.0, 1.0})
        for (const double second : {-1.0, 1.0}) {
            const cv::Point2d a = fieldFrequency[0] - first * fringes[0].frequency;
            const cv::Point2d b = fieldFrequency[1] - second * fringes[1].frequency;
            const double apart = cv::norm(a - b);
            if (apart < closest) {
                closest = apart;
                solved = 0.5 * (a + b);
                misfit = std::fabs(a.x - b.x) * field.width + std::fabs(a.y - b.y) * field.height;
            }
        }
    // The two fields' answers lie within a few per cent of the fringes.
    const double scale = 0.5 * (cv::norm(fringes[0].frequency) + cv::norm(fringes[1].frequency));
    if (!(closest <= 0.25 * scale) || !(solved.x > 0.0)) {
        problem = "the two fields' fringes do not agree (a wrong pattern, or the display moved)";
        return false;
    }
    return true;
}

bool solveBestPair(const cv::Point2d fieldFrequency[2], const std::vector<Fringes> candidates[2], cv::Size field,
                   cv::Point2d& solved, double& misfit, std::string& problem)
{
    bool any = false;
    for (const Fringes& first : candidates[0])
        for (const Fringes& second : candidates[1]) {
            const Fringes pair[2] = {first, second};
            cv::Point2d answer;
            double apart = 0.0;
            std::string why;
            if (!solveFrequency(fieldFrequency, pair, field, answer, apart, why)) {
                if (!any)
                    problem = why;
                continue;
            }
            // Rivals are taken only where they agree clearly better.
            if (!any || apart < misfit - 0.1) {
                solved = answer;
                misfit = apart;
                any = true;
            }
        }
    return any;
}

} // namespace veltrane

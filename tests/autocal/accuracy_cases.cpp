#include "accuracy_cases.h"

#include "veltrane/autocal/sheet_solving.h"

#include <cmath>

using namespace veltrane;

namespace {

double uniform(std::mt19937& random, double low, double high)
{
    return std::uniform_real_distribution<double>(low, high)(random);
}

} // namespace

AccuracyCase randomCase(std::mt19937& random, cv::Size display)
{
    AccuracyCase c;
    c.display = display;
    Calibration& truth = c.camera.sheet.calibration;
    truth.y = std::uniform_int_distribution<int>(0, 1)(random) ? 1152 : 600;
    truth.x = std::uniform_int_distribution<int>(0, truth.y / 4)(random);
    truth.pitch = uniform(random, 4.0, 40.0);
    truth.mirror = truth.x > 0 && std::uniform_int_distribution<int>(0, 1)(random) == 1;
    truth.subpixelOrder = std::uniform_int_distribution<int>(0, 1)(random) ? ChannelOrder::Bgr : ChannelOrder::Rgb;
    c.camera.sheet.viewCount = 8;
    truth.viewPhase = uniform(random, 0.0, 8.0);
    c.camera.sheet.gap = truth.pitch * uniform(random, 2.0, 6.0);
    c.camera.distance = uniform(random, 15000.0, 60000.0);
    c.camera.yaw = uniform(random, -15.0, 15.0);
    c.camera.tilt = uniform(random, -15.0, 15.0);
    c.camera.roll = uniform(random, -5.0, 5.0);
    c.camera.blur = uniform(random, 0.0, 2.0);
    c.camera.noise = 5.0;
    c.camera.gamma = uniform(random, 0.7, 1.4);
    c.camera.vignetting = uniform(random, 0.0, 0.3);
    c.camera.seed = static_cast<unsigned>(random());
    c.guess = truth;
    c.guess.viewPhase = 0.0;
    c.guess.subpixelOrder = ChannelOrder::Rgb;
    c.guess.pitch = truth.pitch * (1.0 + uniform(random, -0.05, 0.05));
    const int signedX = (truth.mirror ? truth.x : -truth.x) + std::uniform_int_distribution<int>(-3, 3)(random);
    c.guess.x = std::abs(signedX);
    c.guess.mirror = signedX > 0;
    return c;
}

CaseOutcome runCase(const AccuracyCase& accuracyCase)
{
    CaseOutcome outcome;
    VirtualCameraPhotos photos(accuracyCase.camera);
    RoundsResult result;
    outcome.solved = calibrateFromPhotos(accuracyCase.guess, accuracyCase.display, photos, RoundsOptions{}, result,
                                         outcome.problem);
    outcome.found = result.calibration;
    outcome.rounds = result.rounds;
    // From the camera, the sheet's lines lie magnified by 1 + gap / distance
    // across: its pitch and its slant a row, so its frequency across shrinks
    // and down stays.
    const VirtualCamera& camera = accuracyCase.camera;
    const double magnified = 1.0 + camera.sheet.gap / camera.distance;
    cv::Point2d trueFrequency;
    if (!lensFrequency(camera.sheet.calibration, accuracyCase.display, trueFrequency))
        return outcome;
    trueFrequency.x /= magnified;
    outcome.seen = calibrationOf(trueFrequency, camera.sheet.calibration, accuracyCase.display);
    if (!outcome.solved)
        return outcome;
    // The slant seen is not a whole -x: the fringes are measured against it exactly.
    cv::Point2d foundFrequency;
    if (!lensFrequency(outcome.found, accuracyCase.display, foundFrequency))
        return outcome;
    const cv::Point2d apart = trueFrequency - foundFrequency;
    outcome.fringesLeft = std::fabs(apart.x) * accuracyCase.display.width + std::fabs(apart.y) * accuracyCase.display.height;
    outcome.slantExact = outcome.found.x == outcome.seen.x && (outcome.found.x == 0 || outcome.found.mirror == outcome.seen.mirror);
    return outcome;
}

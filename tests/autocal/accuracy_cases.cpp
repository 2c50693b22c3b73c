#include "accuracy_cases.h"

#include "veltrane/autocal/view_code.h"
#include "support/lens_over_foot.h"

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

const char* conditionName(Condition condition)
{
    switch (condition) {
    case Condition::DarkRoom: return "dark room";
    case Condition::LinearCamera: return "linear camera";
    case Condition::LitRoom: return "lit room";
    case Condition::GreyRoom: return "mid-grey room";
    case Condition::TexturedRoom: return "textured room";
    case Condition::Rolled: return "rolled 20-45";
    case Condition::Reflection: return "reflection";
    case Condition::FourK: return "3840 x 2160";
    case Condition::Jpeg: return "JPEG 85";
    case Condition::Everything: return "all at once";
    }
    return "";
}

AccuracyCase conditionCase(std::mt19937& random, Condition condition)
{
    const bool fourK = condition == Condition::FourK;
    AccuracyCase c = randomCase(random, fourK ? cv::Size(3840, 2160) : cv::Size(960, 600));
    VirtualCamera& camera = c.camera;
    // A camera's encoding, 1 / 1.8 to 1 / 2.4, over the display's gamma 2.2.
    camera.gamma = 2.2 / uniform(random, 1.8, 2.4);
    camera.surround = uniform(random, 0.001, 0.006);
    if (fourK)
        camera.photo = cv::Size(4000, 3000);
    const bool all = condition == Condition::Everything;
    if (condition == Condition::LinearCamera)
        camera.gamma = 2.2;
    if (condition == Condition::LitRoom || all) {
        camera.surround = uniform(random, 0.02, 0.06);
        camera.glare = camera.surround * uniform(random, 0.1, 0.4);
    }
    if (condition == Condition::GreyRoom) {
        camera.surround = uniform(random, 0.1, 0.25);
        camera.glare = camera.surround * uniform(random, 0.1, 0.3);
    }
    if (condition == Condition::TexturedRoom || all) {
        camera.textured = true;
        camera.surround = uniform(random, 0.01, 0.15);
        camera.glare = camera.surround * uniform(random, 0.1, 0.3);
    }
    if (condition == Condition::Rolled || all) {
        const double roll = all ? uniform(random, 5.0, 30.0) : uniform(random, 20.0, 45.0);
        camera.roll = std::uniform_int_distribution<int>(0, 1)(random) ? roll : -roll;
        camera.photo = cv::Size(1400, 1200); // the whole display in the photo, turned so
    }
    if (condition == Condition::Reflection || all)
        camera.reflection = uniform(random, 0.2, 0.8);
    if (condition == Condition::Jpeg || all)
        camera.jpegQuality = 85;
    return c;
}

namespace {

// Columns a row that the lines of -x x over -y y move on a display of this
// height: 3 x / y, drawn as a whole number of columns over the height, to the
// left unless mirrored.
double columnsPerRow(int x, int y, bool mirror, int height)
{
    const double across = std::trunc(3.0 * x * height / y);
    return (mirror ? across : -across) / height;
}

// Lines P columns apart that move c columns a row: the phase at pixel (X, row
// Y) is (3 X - c Y) / P cycles.
cv::Point2d frequencyOf(double pitch, double perRow)
{
    return {3.0 / pitch, -perRow / pitch};
}

cv::Point2d frequencyOf(const Calibration& calibration, int height)
{
    return frequencyOf(calibration.pitch,
                       columnsPerRow(calibration.x, calibration.y, calibration.mirror, height));
}

// The sheet as the camera sees it: from the camera, the lines lie magnified
// by 1 + gap / distance about the camera's foot, across and up and down
// alike, so the pitch grows and the slant, a direction, stays the sheet's;
// its -x is the whole one at the same -y whose drawn lines lean nearest.
Calibration seenSheet(const VirtualCamera& camera, int height)
{
    const Calibration& truth = camera.sheet.calibration;
    const double magnified = 1.0 + camera.sheet.gap / camera.distance;
    const double perRow = columnsPerRow(truth.x, truth.y, truth.mirror, height);
    Calibration seen = truth;
    seen.pitch = truth.pitch * magnified;
    double nearest = HUGE_VAL;
    for (int x = 0; x <= truth.x + 3; ++x) {
        const double apart = std::fabs(columnsPerRow(x, truth.y, true, height) - std::fabs(perRow));
        if (apart < nearest) {
            nearest = apart;
            seen.x = x;
        }
    }
    seen.mirror = perRow > 0.0 && seen.x != 0;
    return seen;
}

} // namespace

CaseOutcome runCase(const AccuracyCase& accuracyCase)
{
    VirtualCameraPhotos photos(accuracyCase.camera);
    return runCase(accuracyCase, photos, RoundsOptions{});
}

CaseOutcome runCase(const AccuracyCase& accuracyCase, PhotoSource& photos, const RoundsOptions& options)
{
    CaseOutcome outcome;
    RoundsResult result;
    outcome.solved =
        calibrateFromPhotos(accuracyCase.guess, accuracyCase.display, photos, options, result, outcome.problem);
    outcome.found = result.calibration;
    outcome.rounds = result.rounds;
    outcome.misfit = result.misfit;
    const VirtualCamera& camera = accuracyCase.camera;
    const int height = accuracyCase.display.height;
    outcome.seen = seenSheet(camera, height);
    if (!outcome.solved)
        return outcome;
    const double magnified = 1.0 + camera.sheet.gap / camera.distance;
    const Calibration& truth = camera.sheet.calibration;
    const cv::Point2d trueFrequency =
        frequencyOf(truth.pitch * magnified, columnsPerRow(truth.x, truth.y, truth.mirror, height));
    const cv::Point2d apart = trueFrequency - frequencyOf(outcome.found, height);
    outcome.fringesLeft = std::fabs(apart.x) * accuracyCase.display.width + std::fabs(apart.y) * height;
    outcome.slantExact = outcome.found.x == outcome.seen.x && (outcome.found.x == 0 || outcome.found.mirror == outcome.seen.mirror);
    return outcome;
}

PhaseOutcome measurePhase(const AccuracyCase& accuracyCase, const Calibration& found, int viewCount)
{
    PhaseOutcome outcome;
    const cv::Size display = accuracyCase.display;
    cv::Mat code;
    cv::Mat photo;
    VirtualCameraPhotos photos(accuracyCase.camera);
    LensPlace place;
    if (drawViewCode(found, display, code) != Status::Done || !photos.take(code, photo, outcome.problem) ||
        !readLensPlace(photo, found, display, place, outcome.problem))
        return outcome;
    outcome.read = true;
    Calibration numbers = found;
    numbers.subpixelOrder = place.panel;
    outcome.orderRight = place.panel == accuracyCase.camera.sheet.calibration.subpixelOrder;
    numbers.viewPhase = outcome.phase = phaseForPlace(numbers, display, viewCount, place.share);
    const VirtualCamera& camera = accuracyCase.camera;
    const double coordinate = viewAtFoot(camera.sheet.calibration, camera.sheet.viewCount, camera.sheet.gap,
                                         camera.distance, numbers, viewCount, display);
    const double apart = std::fmod(coordinate - (viewCount - 1) / 2.0, viewCount);
    outcome.error = std::min(std::fabs(apart), viewCount - std::fabs(apart));
    return outcome;
}

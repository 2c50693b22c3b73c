// One round of calibration from a photograph (the pattern drawn, the photo
// rectified, the fringes of both fields measured, the sheet solved) on a
// 12-megapixel photo (4000 x 3000) of a 3840 x 2160 display, taken by the
// virtual camera beforehand; in a smoke run a small display, and the numbers
// found checked against the sheet the camera saw.
#include "bench_support.h"

#include "veltrane/autocal/pattern_code.h"
#include "veltrane/autocal/photo_rounds.h"
#include "veltrane/autocal/photo_turn.h"
#include "veltrane/autocal/sheet_solving.h"
#include "veltrane/autocal/virtual_camera.h"

#include <cmath>

namespace {

using namespace veltrane;

// The photo of the display (3840 x 2160 in a 4000 x 3000 photo; small in a
// smoke run), its sheet and the guess its pattern was drawn for.
struct TakenPhoto {
    cv::Size display;
    VirtualCamera camera;
    Calibration guess;
    cv::Mat photo;
};

bool takePhoto(TakenPhoto& taken)
{
    const cv::Size display = smokeRun() ? cv::Size(960, 540) : cv::Size(3840, 2160); // the code fits in both
    VirtualCamera& camera = taken.camera;
    camera.sheet = LensSheet{Calibration{6, 3 * display.height, 8.25, true}, 8, 30.0};
    camera.distance = 30000.0;
    camera.yaw = 8.0;
    camera.tilt = -5.0;
    camera.blur = 1.0;
    camera.noise = 5.0;
    camera.photo = smokeRun() ? cv::Size(1200, 900) : cv::Size(4000, 3000);
    taken.display = display;
    taken.guess = camera.sheet.calibration;
    taken.guess.pitch *= 1.02;
    cv::Mat pattern;
    return drawPattern(patternLayout(display, taken.guess.pitch), PatternCode{taken.guess, display, 1}, pattern) ==
               Status::Done &&
           photograph(camera, pattern, taken.photo) == Status::Done;
}

void BM_AutocalRound(benchmark::State& bench)
{
    TakenPhoto taken;
    if (!takePhoto(taken))
        return bench.SkipWithError("no photo");
    const cv::Size display = taken.display;
    const VirtualCamera& camera = taken.camera;
    const Calibration& guess = taken.guess;
    const cv::Mat& photo = taken.photo;
    HeldPhoto photos(photo);
    RoundsOptions options;
    options.rounds = 1;
    RoundsResult result;
    std::string problem;
    for (auto _ : bench) {
        if (!calibrateFromPhotos(guess, display, photos, options, result, problem)) {
            static std::string failure;
            failure = problem;
            return bench.SkipWithError(failure.c_str());
        }
        benchmark::DoNotOptimize(result); // the whole struct: a double alone can come back as a register's garbage
    }
    // One round from 2 % off: the pitch seen from the camera within a
    // thousandth, the slant exact.
    const double seenPitch = camera.sheet.calibration.pitch * (1.0 + camera.sheet.gap / camera.distance);
    static std::string failure; // the benchmark keeps the message's pointer
    if (std::fabs(result.calibration.pitch / seenPitch - 1.0) > 1e-3 || result.calibration.x != 6 ||
        !result.calibration.mirror) {
        failure = "the round found other numbers than the camera saw: pitch " +
                  std::to_string(result.calibration.pitch) + " -x " + std::to_string(result.calibration.x);
        bench.SkipWithError(failure.c_str());
    }
}

BENCHMARK(BM_AutocalRound)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(smokeRun() ? 1 : 5)
    ->ReportAggregatesOnly(true);

// What a photo's round adds: its pattern's code read (the photo searched
// at 2400 pixels across) and the photo's turn told from it; checked to give
// the code as drawn and the photo upright.
void BM_PhotoCode(benchmark::State& bench)
{
    TakenPhoto taken;
    if (!takePhoto(taken))
        return bench.SkipWithError("no photo");
    cv::Mat mirrored;
    cv::flip(taken.photo, mirrored, 1);
    PatternCode code;
    cv::Mat upright;
    for (auto _ : bench) {
        if (!findPatternCode(mirrored, code))
            return bench.SkipWithError("no code read");
        if (turnPhotoUpright(mirrored, code, upright) != PhotoTurn::Found)
            return bench.SkipWithError("the turn was not found");
    }
    if (code.guess.x != taken.guess.x || code.display != taken.display || cv::norm(upright, taken.photo, cv::NORM_INF) != 0.0)
        bench.SkipWithError("the code or the turn found is not the photo's");
}

BENCHMARK(BM_PhotoCode)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(smokeRun() ? 1 : 5)
    ->ReportAggregatesOnly(true);

} // namespace

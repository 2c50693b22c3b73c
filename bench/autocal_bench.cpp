// One round of calibration from a photograph (the pattern drawn, the photo
// rectified, the fringes of both fields measured, the sheet solved) on a
// 12-megapixel photo (4000 x 3000) of a 3840 x 2160 display, taken by the
// virtual camera beforehand; in a smoke run a small display, and the numbers
// found checked against the sheet the camera saw.
#include "bench_support.h"

#include "veltrane/autocal/photo_rounds.h"
#include "veltrane/autocal/sheet_solving.h"
#include "veltrane/autocal/virtual_camera.h"

#include <cmath>

namespace {

using namespace veltrane;

void BM_AutocalRound(benchmark::State& bench)
{
    const cv::Size display = smokeRun() ? cv::Size(640, 360) : cv::Size(3840, 2160);
    VirtualCamera camera;
    camera.sheet = LensSheet{Calibration{6, 3 * display.height, 8.25, true}, 8, 30.0};
    camera.distance = 30000.0;
    camera.yaw = 8.0;
    camera.tilt = -5.0;
    camera.blur = 1.0;
    camera.noise = 5.0;
    camera.photo = smokeRun() ? cv::Size(800, 600) : cv::Size(4000, 3000);
    Calibration guess = camera.sheet.calibration;
    guess.pitch *= 1.02;
    cv::Mat pattern;
    cv::Mat photo;
    if (drawPattern(patternLayout(display), guess, pattern) != Status::Done ||
        photograph(camera, pattern, photo) != Status::Done)
        return bench.SkipWithError("no photo");
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

} // namespace

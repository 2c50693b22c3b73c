// One step of head tracking on a 640 x 480 webcam frame, on one core: the
// face looked for near where it was (the step of every frame while a face is
// followed), and in the whole frame (when it was lost), the eyes found in it,
// the place from them. The frames are the virtual webcam's of scikit-image's
// astronaut 700 mm away; the place found checked against the one it was put at.
#include "veltrane/tracking/eye_finder.h"
#include "veltrane/tracking/virtual_webcam.h"

#include <benchmark/benchmark.h>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>

#include <cmath>
#include <string>

namespace {

using namespace veltrane;

const WebcamPlace Camera{0.0, 95.0, 60.0};
const ViewerPlace Head{-80.0, 50.0, 700.0};

void trackingStep(benchmark::State& bench, bool followed)
{
    cv::setNumThreads(1); // one core, as the player leaves the other to composing
    const FacePhoto face{cv::imread(VELTRANE_FACE_PHOTO), EyePair{{203.25, 101.0}, {246.5, 103.5}}};
    if (face.image.empty())
        return bench.SkipWithError("no face photo: scripts/install-deps fetches it");
    VirtualWebcamOptions options;
    options.camera = Camera;
    const cv::Mat frame = virtualWebcamFrame(face, {VirtualHead{Head, 63.0}}, options, 1);
    EyeFinder finder;
    if (!finder.load())
        return bench.SkipWithError("no cascades (opencv-data)");
    std::optional<EyePair> eyes = finder.find(frame); // the face found once
    ViewerPlace place;
    for (auto _ : bench) {
        if (!followed)
            finder.forget();
        eyes = finder.find(frame);
        if (!eyes)
            return bench.SkipWithError("no face found");
        place = placeOfEyes(*eyes, frame.size(), Camera, 63.0);
        benchmark::DoNotOptimize(place);
    }
    static std::string failure; // the benchmark keeps the message's pointer
    if (std::abs(place.offset - Head.offset) > 10.0 || std::abs(place.distance / Head.distance - 1.0) > 0.05) {
        failure = "the place found is " + std::to_string(place.offset) + ", " + std::to_string(place.distance);
        bench.SkipWithError(failure.c_str());
    }
    cv::setNumThreads(-1);
}

void BM_TrackingStepFollowed(benchmark::State& bench)
{
    trackingStep(bench, true);
}

void BM_TrackingStepSearched(benchmark::State& bench)
{
    trackingStep(bench, false);
}

BENCHMARK(BM_TrackingStepFollowed)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TrackingStepSearched)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

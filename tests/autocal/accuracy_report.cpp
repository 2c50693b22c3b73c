// make accuracy: calibration from photographs on random displays through
// the virtual camera; the share that is right, the spread of the pitch and
// slant found, and every failure with its cause.
#include "accuracy_cases.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace veltrane;

int main(int argc, char** argv)
{
    const int cases = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    std::mt19937 random(2026);
    int good = 0;
    std::vector<double> pitchErrors;
    std::vector<double> fringes;
    int rounds[4] = {0, 0, 0, 0};
    for (int i = 0; i < cases; ++i) {
        const AccuracyCase c = randomCase(random, cv::Size(960, 600));
        const CaseOutcome o = runCase(c);
        good += o.good() ? 1 : 0;
        const veltrane::Calibration& t = c.camera.sheet.calibration;
        if (o.solved) {
            pitchErrors.push_back(std::abs(o.found.pitch - o.seen.pitch) / o.seen.pitch);
            fringes.push_back(o.fringesLeft);
            rounds[std::min(3, o.rounds)] += 1;
        }
        if (!o.good())
            std::printf("case %3d failed: pitch %.4f -x %d -y %d%s, gap %.0f, distance %.0f, yaw %.1f tilt %.1f, blur "
                        "%.2f: %s (found pitch %.4f -x %d%s, seen pitch %.4f -x %d; %.2f fringes left, %d rounds)\n",
                        i, t.pitch, t.x, t.y, t.mirror ? " -mirror" : "", c.camera.sheet.gap, c.camera.distance,
                        c.camera.yaw, c.camera.tilt, c.camera.blur, o.solved ? "wrong numbers" : o.problem.c_str(),
                        o.found.pitch, o.found.x, o.found.mirror ? " -mirror" : "", o.seen.pitch, o.seen.x,
                        o.fringesLeft, o.rounds);
    }
    auto percentile = [](std::vector<double> v, double p) {
        if (v.empty())
            return 0.0;
        std::sort(v.begin(), v.end());
        return v[static_cast<std::size_t>(p * (v.size() - 1))];
    };
    std::printf("\n%d of %d right (%.1f %%): -x exact and at most a quarter of a fringe left, within 3 rounds\n", good,
                cases, 100.0 * good / cases);
    std::printf("pitch error (share of the pitch): median %.5f, 95th percentile %.5f, largest %.5f\n",
                percentile(pitchErrors, 0.5), percentile(pitchErrors, 0.95), percentile(pitchErrors, 1.0));
    std::printf("fringes left across the display: median %.3f, 95th percentile %.3f, largest %.3f\n",
                percentile(fringes, 0.5), percentile(fringes, 0.95), percentile(fringes, 1.0));
    std::printf("rounds taken: 1: %d, 2: %d, 3: %d\n", rounds[1], rounds[2], rounds[3]);
    return 0;
}

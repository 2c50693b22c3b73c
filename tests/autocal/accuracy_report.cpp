// make accuracy: calibration from photographs on random displays through
// the virtual camera; the share that is right, the spread of the pitch and
// slant found, and every failure with its cause.
#include "accuracy_cases.h"

#include "veltrane/autocal/sheet_from_distances.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace veltrane;

namespace {

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * (v.size() - 1))];
}

// The sheet's gap from photos at two distances (the nearer 350 to 600 mm,
// the farther two to three times as far; a subpixel column a tenth of a
// millimetre), and the numbers it predicts for a third distance between
// them against those found there.
void gapReport(std::mt19937& random, int pairs)
{
    std::vector<double> gapErrors;
    std::vector<double> fringes;
    int refused = 0;
    int gapsGood = 0;
    int predictionsGood = 0;
    for (int i = 0; i < pairs; ++i) {
        AccuracyCase c = randomCase(random, cv::Size(960, 600));
        const double near = std::uniform_real_distribution<double>(3500.0, 6000.0)(random);
        const double far = near * std::uniform_real_distribution<double>(2.0, 3.0)(random);
        const double third = std::uniform_real_distribution<double>(near, far)(random);
        CaseOutcome found[3];
        const double distances[3] = {near, far, third};
        for (int d = 0; d < 3; ++d) {
            c.camera.distance = distances[d];
            c.camera.seed = static_cast<unsigned>(random());
            found[d] = runCase(c);
        }
        SheetFromDistances sheet;
        std::string problem;
        if (!found[0].solved || !found[1].solved || !found[2].solved ||
            !sheetFromDistances(found[0].found.pitch, near, found[1].found.pitch, far, sheet, problem)) {
            ++refused;
            std::printf("gap pair %3d refused: %s\n", i,
                        problem.empty() ? "a photo was not solved" : problem.c_str());
            continue;
        }
        const double error = std::abs(sheet.gap / c.camera.sheet.gap - 1.0);
        gapErrors.push_back(error);
        gapsGood += error <= 0.05;
        Calibration predicted = found[0].found;
        predicted.pitch = sheet.pitch * (1.0 + sheet.gap / third);
        const double left = fringesBetween(predicted, found[2].found, c.display);
        fringes.push_back(left);
        predictionsGood += left <= 0.1;
        if (error > 0.05 || left > 0.1)
            std::printf("gap pair %3d: pitch %.4f gap %.1f at %.0f and %.0f: gap found %.1f (%.1f %%), %.0f's "
                        "numbers %.3f fringes off\n",
                        i, c.camera.sheet.calibration.pitch, c.camera.sheet.gap, near, far, sheet.gap, 100.0 * error,
                        third, left);
    }
    std::printf("\nthe gap from two distances, %d pairs: %d refused; within 5 %% in %d (%.1f %%); error median %.4f, "
                "95th percentile %.4f, largest %.4f\n",
                pairs, refused, gapsGood, 100.0 * gapsGood / pairs, percentile(gapErrors, 0.5),
                percentile(gapErrors, 0.95), percentile(gapErrors, 1.0));
    std::printf("a third distance's numbers predicted: within 0.1 fringe in %d (%.1f %%); median %.3f, 95th "
                "percentile %.3f, largest %.3f fringes\n",
                predictionsGood, 100.0 * predictionsGood / pairs, percentile(fringes, 0.5), percentile(fringes, 0.95),
                percentile(fringes, 1.0));
}

// The view phase at the camera's place for content of a few view counts,
// measured on random displays after their numbers are found.
void phaseReport(std::mt19937& random, int cases)
{
    const int counts[] = {2, 5, 8, 9, 16, 45};
    std::vector<double> errors;
    int refused = 0;
    int good = 0;
    int ordersRight = 0;
    for (int i = 0; i < cases; ++i) {
        const AccuracyCase c = randomCase(random, cv::Size(960, 600));
        const int viewCount = counts[i % 6];
        const CaseOutcome solved = runCase(c);
        const PhaseOutcome o = solved.good() ? measurePhase(c, solved.found, viewCount) : PhaseOutcome{};
        if (!o.read) {
            ++refused;
            std::printf("phase case %3d not measured: %s\n", i,
                        solved.good() ? o.problem.c_str() : "its numbers were not found");
            continue;
        }
        errors.push_back(o.error / viewCount);
        good += o.error <= 0.1;
        ordersRight += o.orderRight;
        if (!o.orderRight)
            std::printf("phase case %3d: the panel's order misread\n", i);
        if (o.error > 0.1)
            std::printf("phase case %3d: pitch %.4f, %d views: phase %.3f, %.3f views off\n", i,
                        c.camera.sheet.calibration.pitch, viewCount, o.phase, o.error);
    }
    std::printf("\nthe view phase at the camera, %d cases of 2 to 45 views: %d not measured; within 0.1 view in %d "
                "(%.1f %%); error in shares of a lens: median %.5f, 95th percentile %.5f, largest %.5f\n",
                cases, refused, good, 100.0 * good / cases, percentile(errors, 0.5), percentile(errors, 0.95),
                percentile(errors, 1.0));
    std::printf("the panel's subpixel order read from the code's colours: right in %d of %d\n", ordersRight,
                cases - refused);
}

} // namespace

int main(int argc, char** argv)
{
    const int cases = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    // A second argument runs one part alone: numbers, gap or phase.
    const std::string part = argc > 2 ? argv[2] : "";
    std::mt19937 random(2026);
    if (part == "gap" || part == "phase") {
        if (part == "gap")
            gapReport(random, std::max(1, cases / 5));
        else
            phaseReport(random, std::max(1, cases / 5));
        return 0;
    }
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
    std::printf("\n%d of %d right (%.1f %%): -x exact and at most a quarter of a fringe left, within 3 rounds\n", good,
                cases, 100.0 * good / cases);
    std::printf("pitch error (share of the pitch): median %.5f, 95th percentile %.5f, largest %.5f\n",
                percentile(pitchErrors, 0.5), percentile(pitchErrors, 0.95), percentile(pitchErrors, 1.0));
    std::printf("fringes left across the display: median %.3f, 95th percentile %.3f, largest %.3f\n",
                percentile(fringes, 0.5), percentile(fringes, 0.95), percentile(fringes, 1.0));
    std::printf("rounds taken: 1: %d, 2: %d, 3: %d\n", rounds[1], rounds[2], rounds[3]);
    if (part.empty()) {
        gapReport(random, std::max(1, cases / 5));
        phaseReport(random, std::max(1, cases / 5));
    }
    return 0;
}

// make accuracy: calibration from photographs on random displays through
// the virtual camera; the share that is right, the spread of the pitch and
// slant found, and every failure with its cause.
#include "accuracy_cases.h"

#include "veltrane/autocal/sheet_from_distances.h"

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
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

struct ConditionTally {
    int cases = 0;
    int solved = 0;
    int exact = 0;  // -x and the leaning as seen
    int wrong = 0;  // numbers given that are wrong: more than a quarter of a fringe left across the display
    std::vector<double> pitchErrors;
};

// The rounds on random displays, a share of the cases under each condition
// users meet, told by condition; every case not right, with why.
void conditionsReport(std::mt19937& random, int cases)
{
    std::vector<ConditionTally> tallies(ConditionCount);
    for (int i = 0; i < cases; ++i) {
        const Condition condition = static_cast<Condition>(i % ConditionCount);
        if (isatty(fileno(stderr)))
            std::fprintf(stderr, "\rcase %d of %d", i + 1, cases);
        const AccuracyCase c = conditionCase(random, condition);
        const CaseOutcome o = runCase(c);
        ConditionTally& tally = tallies[static_cast<std::size_t>(condition)];
        tally.cases += 1;
        tally.solved += o.solved;
        tally.exact += o.solved && o.slantExact;
        const bool wrong = o.solved && o.fringesLeft > 0.25;
        tally.wrong += wrong;
        if (o.solved)
            tally.pitchErrors.push_back(std::abs(o.found.pitch - o.seen.pitch) / o.seen.pitch);
        const Calibration& t = c.camera.sheet.calibration;
        if (!o.good())
            std::printf("case %3d, %s: %s; pitch %.4f -x %d -y %d%s %s, %dx%d, gamma %.2f, room %.3f%s, roll %.0f, "
                        "reflection %.2f, blur %.2f (found pitch %.4f -x %d%s, seen %.4f -x %d, %.2f fringes left)\n",
                        i, conditionName(condition),
                        o.solved ? (wrong ? "WRONG" : o.slantExact ? "more than 3 rounds" : "-x off") : o.problem.c_str(),
                        t.pitch, t.x, t.y, t.mirror ? " -mirror" : "",
                        t.subpixelOrder == ChannelOrder::Bgr ? "bgr" : "rgb", c.display.width, c.display.height,
                        c.camera.gamma, c.camera.surround, c.camera.textured ? " textured" : "", c.camera.roll,
                        c.camera.reflection, c.camera.blur, o.found.pitch, o.found.x, o.found.mirror ? " -mirror" : "",
                        o.seen.pitch, o.seen.x, o.fringesLeft);
        std::fflush(stdout);
    }
    std::printf("\n| condition | cases | solved | -x exact | wrong, exit 0 | pitch error median |\n"
                "|---|---|---|---|---|---|\n");
    ConditionTally all;
    for (int k = 0; k < ConditionCount; ++k) {
        const ConditionTally& t = tallies[static_cast<std::size_t>(k)];
        std::printf("| %s | %d | %d | %d | %d | %.5f %% |\n", conditionName(static_cast<Condition>(k)), t.cases,
                    t.solved, t.exact, t.wrong, 100.0 * percentile(t.pitchErrors, 0.5));
        all.cases += t.cases;
        all.solved += t.solved;
        all.exact += t.exact;
        all.wrong += t.wrong;
        all.pitchErrors.insert(all.pitchErrors.end(), t.pitchErrors.begin(), t.pitchErrors.end());
    }
    std::printf("| all | %d | %d (%.1f %%) | %d (%.1f %%) | %d | %.5f %% |\n", all.cases, all.solved,
                100.0 * all.solved / all.cases, all.exact, 100.0 * all.exact / all.cases, all.wrong,
                100.0 * percentile(all.pitchErrors, 0.5));
    std::printf("pitch error: 95th percentile %.4f %%, largest %.4f %%\n", 100.0 * percentile(all.pitchErrors, 0.95),
                100.0 * percentile(all.pitchErrors, 1.0));
}

} // namespace

// Case `index` of a run of the conditions alone, again: its photos kept
// as case-N-round-R.png, and what each round found.
void oneCase(std::mt19937& random, int index)
{
    AccuracyCase c;
    for (int i = 0; i <= index; ++i)
        c = conditionCase(random, static_cast<Condition>(i % ConditionCount));
    struct Kept : PhotoSource {
        VirtualCameraPhotos photos;
        int index;
        int round = 0;
        Kept(const VirtualCamera& camera, int i) : photos(camera), index(i) {}
        bool take(const cv::Mat& pattern, cv::Mat& photo, std::string& problem) override
        {
            if (!photos.take(pattern, photo, problem))
                return false;
            cv::imwrite("case-" + std::to_string(index) + "-round-" + std::to_string(++round) + ".png", photo);
            return true;
        }
    } kept(c.camera, index);
    RoundsOptions options;
    options.progress = [](int round, int, const Calibration& found) {
        std::printf("round %d: pitch %.5f -x %d%s\n", round, found.pitch, found.x, found.mirror ? " -mirror" : "");
    };
    const CaseOutcome outcome = runCase(c, kept, options);
    const Calibration& t = c.camera.sheet.calibration;
    std::printf("case %d, %s: guess pitch %.4f -x %d%s; true pitch %.4f -x %d -y %d%s, seen %.4f -x %d; %s (misfit "
                "%.3f, %.2f fringes left)\n",
                index, conditionName(static_cast<Condition>(index % ConditionCount)), c.guess.pitch, c.guess.x,
                c.guess.mirror ? " -mirror" : "", t.pitch, t.x, t.y, t.mirror ? " -mirror" : "", outcome.seen.pitch,
                outcome.seen.x, outcome.solved ? "solved" : outcome.problem.c_str(), outcome.misfit,
                outcome.fringesLeft);
}

int main(int argc, char** argv)
{
    const int cases = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    // A second argument runs one part alone: numbers, gap or phase; a third,
    // with numbers, one case of it again.
    const std::string part = argc > 2 ? argv[2] : "";
    std::mt19937 random(2026);
    if (part == "numbers" && argc > 3) {
        oneCase(random, std::atoi(argv[3]));
        return 0;
    }
    if (part.empty() || part == "numbers")
        conditionsReport(random, cases);
    if (part.empty() || part == "gap")
        gapReport(random, std::max(1, part.empty() ? cases / 25 : cases / 5));
    if (part.empty() || part == "phase")
        phaseReport(random, std::max(1, part.empty() ? cases / 25 : cases / 5));
    return 0;
}

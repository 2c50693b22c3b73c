#include "veltrane/autocal/pattern.h"

#include "veltrane/engine/interlace.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// The code's square holds the largest code of the pattern's texts (33
// modules and the quiet zone around them) and is at most this share of the
// first field's shorter side.
constexpr int CodeModules = 37;
constexpr double CodeShare = 0.6;

// A module is two lenses wide at least: through the sheet each lens shows
// one subpixel column of what is under it, so finer modules are lost.
int codeModulePixels(double pitch)
{
    return std::max(4, static_cast<int>(std::ceil(2.0 * pitch / 3.0)));
}

void drawCode(const PatternLayout& layout, const PatternCode& code, cv::Mat& pattern)
{
    const cv::Mat modules = patternCodeModules(code);
    const cv::Rect at = codeModulesRect(layout, modules);
    cv::Mat drawn;
    cv::resize(modules, drawn, at.size(), 0, 0, cv::INTER_NEAREST);
    cv::cvtColor(drawn, drawn, cv::COLOR_GRAY2BGR);
    pattern(layout.code).setTo(cv::Scalar::all(255));
    drawn.copyTo(pattern(at));
}

// On a panel whose subpixels are in the other order than the guess's, each
// pixel shows its outer two swapped: a field's lines are shown in three
// parts, two of them shifted two columns, one either way. The swap repeats
// every pixel, so lines of k cycles a pixel are shown also a whole cycle a
// pixel up or down, and so are their harmonics: the harmonic 1 - n of lines
// of about n pixels a period (a square wave's, 1 / (n - 1) as strong as the
// lines), a cycle up, lies at 1 - (n - 1) k, |1 - n k| from the lines, and
// beats with the lenses in a twin of their fringes as far from them.
// At two pixels a period the shifts are a third of it each way and the three
// parts all but cancel, and the twin is the lines themselves mirrored: the
// field's fringes fade and the twin, where they are looked for, is taken
// for them. No field is drawn within TwinBand (a share) of two pixels: at
// its edges the fringes keep a tenth of their strength, and the twin lies
// more than twice the guess's uncertainty (7 % of its frequency) away. At
// four pixels the fringes keep two thirds, the twin is a third as strong,
// and it bends their reading from a few cycles across the field: no field
// is drawn where it would lie within TwinCycles of them. (Three pixels'
// harmonic, -2, is even, which a square wave has not; the others are a
// fifth as strong or less.)
constexpr double TwinBand = 0.08;
constexpr double TwinCycles = 6.0;

// Lines of `columns` subpixel columns a period (a whole number of pixels),
// and the share of it either side that no field is drawn in.
struct TwinLines {
    double columns = 0.0;
    double share = 0.0;
};

// The lines whose band a field's pitch lies in, or none (columns 0).
TwinLines twinLinesNear(double pitch, int fieldWidth)
{
    const TwinLines near[] = {{6.0, TwinBand}, {12.0, TwinCycles / std::max(1, fieldWidth)}};
    for (const TwinLines& lines : near)
        if (std::fabs(pitch / lines.columns - 1.0) < lines.share)
            return lines;
    return {};
}

// A field's pitch, as a share of the guess's: below it for the first, above
// for the second; one that would be near such lines moved to their band's
// far edge, or beyond the other field, whichever beats slower with the guess.
double fieldShare(double pitch, double spread, int fieldWidth, int field)
{
    const double side = field == 0 ? -1.0 : 1.0;
    const double share = 1.0 + side * spread;
    const TwinLines lines = twinLinesNear(pitch * share, fieldWidth);
    if (lines.columns == 0.0)
        return share;
    const double pastBand = lines.columns * (1.0 + side * lines.share) / pitch;
    const double pastOther = 1.0 - 2.0 * side * spread;
    // A share s beats with the guess at |1 / s - 1| of its frequency.
    return std::fabs(1.0 / pastBand - 1.0) <= std::fabs(1.0 / pastOther - 1.0) ? pastBand : pastOther;
}

} // namespace

cv::Rect codeModulesRect(const PatternLayout& layout, const cv::Mat& modules)
{
    const int pixels = layout.code.width / CodeModules;
    const cv::Size size(modules.cols * pixels, modules.rows * pixels);
    return cv::Rect(layout.code.tl() + cv::Point(layout.code.width - size.width, layout.code.height - size.height) / 2,
                    size);
}

PatternLayout patternLayout(cv::Size display, double pitch)
{
    PatternLayout layout;
    layout.display = display;
    layout.frame = std::max(4, std::min(display.width, display.height) / 20);
    layout.gap = std::max(2, layout.frame / 2);
    const int gap = layout.gap;
    const int inset = layout.frame + gap;
    const int width = (display.width - 2 * inset - gap) / 2;
    const int height = display.height - 2 * inset;
    layout.fields[0] = cv::Rect(inset, inset, std::max(1, width), std::max(1, height));
    layout.fields[1] = cv::Rect(inset + width + gap, inset, std::max(1, width), std::max(1, height));
    const int side = pitch > 0.0 && pitch < 1000.0 ? CodeModules * codeModulePixels(pitch) : display.width;
    if (side <= CodeShare * std::min(layout.fields[0].width, layout.fields[0].height))
        layout.code = cv::Rect(layout.fields[0].tl(), cv::Size(side, side));
    return layout;
}

double fieldSpread(const PatternLayout& layout, double pitch)
{
    // Four fringes across a field at the guess: a pitch P' beats with P at
    // 1 / |1/P - 1/P'| columns, so a share s gives about 3 W s / P of them.
    const double columns = 3.0 * layout.fields[0].width;
    return std::clamp(4.0 * pitch / columns, 0.08, 0.3);
}

Calibration fieldCalibration(const PatternLayout& layout, const Calibration& guess, int field)
{
    Calibration calibration = guess;
    calibration.pitch = guess.pitch * fieldShare(guess.pitch, fieldSpread(layout, guess.pitch),
                                                 layout.fields[field].width, field);
    return calibration;
}

Status drawPattern(const PatternLayout& layout, const PatternCode& code, cv::Mat& pattern)
{
    const Calibration& guess = code.guess;
    if (std::min(layout.display.width, layout.display.height) < SmallestPatternSide)
        return Status::InvalidImage;
    cv::Mat drawn(layout.display, CV_8UC3, cv::Scalar::all(0));
    for (int field = 0; field < 2; ++field) {
        const Calibration calibration = fieldCalibration(layout, guess, field);
        cv::Mat interlaced;
        const Status status =
            interlaceTwoColours(calibration, twoViewCount(calibration.pitch), cv::Scalar::all(255),
                                cv::Scalar::all(0), layout.display, interlaced);
        if (status != Status::Done)
            return status;
        interlaced(layout.fields[field]).copyTo(drawn(layout.fields[field]));
    }
    const cv::Rect whole(cv::Point(0, 0), layout.display);
    const int f = layout.frame;
    for (const cv::Rect& band : {cv::Rect(0, 0, whole.width, f), cv::Rect(0, whole.height - f, whole.width, f),
                                 cv::Rect(0, 0, f, whole.height), cv::Rect(whole.width - f, 0, f, whole.height)})
        drawn(band & whole).setTo(cv::Scalar::all(255));
    if (!layout.code.empty())
        drawCode(layout, code, drawn);
    pattern = drawn;
    return Status::Done;
}

} // namespace veltrane

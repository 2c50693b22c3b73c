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

// Lines of about two pixels a period on a panel whose subpixels are in the
// other order than the guess's (its outer two swapped in every pixel) show
// a twin of their fringes. The swap repeats every pixel, so lines of k
// cycles a pixel are shown also at 1 - k, and that beats with the lenses in
// fringes |2k - 1| cycles a pixel from those of k, mirrored: near half a
// cycle a pixel the twin lies where the field's fringes are looked for, and
// is often the stronger. No field is drawn within TwinBand (a share) of two
// pixels: past it the twin lies more than twice the guess's uncertainty (7 %
// of its frequency) away.
constexpr double TwoPixels = 6.0; // subpixel columns
constexpr double TwinBand = 0.08;

bool nearTwoPixels(double pitch)
{
    return std::fabs(pitch / TwoPixels - 1.0) < TwinBand;
}

// A field's pitch, as a share of the guess's: below it for the first, above
// for the second; one that would be near two pixels moved to the band's far
// edge, or beyond the other field, whichever beats slower with the guess.
double fieldShare(double pitch, double spread, int field)
{
    const double side = field == 0 ? -1.0 : 1.0;
    const double share = 1.0 + side * spread;
    if (!nearTwoPixels(pitch * share))
        return share;
    const double pastBand = TwoPixels * (1.0 + side * TwinBand) / pitch;
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

Calibration fieldCalibration(const Calibration& guess, double spread, int field)
{
    Calibration calibration = guess;
    calibration.pitch = guess.pitch * fieldShare(guess.pitch, spread, field);
    return calibration;
}

Status drawPattern(const PatternLayout& layout, const PatternCode& code, cv::Mat& pattern)
{
    const Calibration& guess = code.guess;
    if (std::min(layout.display.width, layout.display.height) < SmallestPatternSide)
        return Status::InvalidImage;
    cv::Mat drawn(layout.display, CV_8UC3, cv::Scalar::all(0));
    const double spread = fieldSpread(layout, guess.pitch);
    for (int field = 0; field < 2; ++field) {
        const Calibration calibration = fieldCalibration(guess, spread, field);
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

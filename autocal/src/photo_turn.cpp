#include "veltrane/autocal/photo_turn.h"

#include "veltrane/autocal/display_frame.h"
#include "veltrane/autocal/photo_reading.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace veltrane {

namespace {

// A display this much wider than tall, or taller than wide, shows a quarter
// turn by its frame; a squarer one is taken as it stands.
constexpr double TurnedAspect = 1.2;

// The share of the code's modules that must be seen as drawn, and by how
// much more than in any other place the code could stand.
constexpr double ModulesAgreeing = 0.7;
constexpr double AgreeingMargin = 0.15;

// The flips a photo may need once its quarter turn is undone (cv::flip's
// codes): none, left to right, top to bottom, both (half a turn).
constexpr std::array<int, 4> Flips = {2, 1, 0, -1};

bool flipsAcross(int flip) { return flip == 1 || flip == -1; }
bool flipsDown(int flip) { return flip == 0 || flip == -1; }

// The share of the code's dark square that the photo shows as drawn where
// the display, flipped so, would have it: each module the mean of its
// pixels (through the lenses a light module is striped), light where above
// the median.
double modulesSeen(const cv::Mat& grey, const std::vector<cv::Point2f>& corners, const PatternLayout& layout,
                   const cv::Mat& modules, int flip)
{
    constexpr int PixelsAModule = 6;
    const cv::Rect square = patternCodeSquare(modules);
    const cv::Mat code = modules(square);
    const cv::Rect drawn = codeModulesRect(layout, modules);
    const double pixels = static_cast<double>(drawn.width) / modules.cols;
    const double w = layout.display.width;
    const double h = layout.display.height;
    // Code pixels (PixelsAModule a module) to display pixels, flipped.
    const double sx = flipsAcross(flip) ? -1.0 : 1.0;
    const double sy = flipsDown(flip) ? -1.0 : 1.0;
    const double x0 = drawn.x + square.x * pixels;
    const double y0 = drawn.y + square.y * pixels;
    const double step = pixels / PixelsAModule;
    const cv::Matx33d codeToDisplay(sx * step, 0, flipsAcross(flip) ? w - x0 : x0, 0, sy * step,
                                    flipsDown(flip) ? h - y0 : y0, 0, 0, 1);
    const std::vector<cv::Point2f> displayCorners = {{0, 0}, {static_cast<float>(w), 0},
                                                     {static_cast<float>(w), static_cast<float>(h)},
                                                     {0, static_cast<float>(h)}};
    const cv::Matx33d displayToPhoto = cv::getPerspectiveTransform(displayCorners, corners);
    cv::Mat seen;
    cv::warpPerspective(grey, seen, cv::Mat(displayToPhoto * codeToDisplay), code.size() * PixelsAModule,
                        cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
    cv::Mat means;
    cv::resize(seen, means, code.size(), 0, 0, cv::INTER_AREA);
    std::vector<uchar> sorted(means.begin<uchar>(), means.end<uchar>());
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const uchar middle = sorted[sorted.size() / 2];
    int agreeing = 0;
    for (int r = 0; r < code.rows; ++r)
        for (int c = 0; c < code.cols; ++c)
            agreeing += (means.at<uchar>(r, c) > middle) == (code.at<uchar>(r, c) != 0) ? 1 : 0;
    return static_cast<double>(agreeing) / code.total();
}

} // namespace

PhotoTurn turnPhotoUpright(const cv::Mat& photo, const PatternCode& code, cv::Mat& upright)
{
    upright = photo;
    const PatternLayout layout = patternLayout(code.display, code.guess.pitch);
    if (layout.code.empty())
        return PhotoTurn::Unknown;
    std::vector<cv::Point2f> corners;
    if (std::min(photo.cols, photo.rows) < SmallestPatternSide / 4 || !displayCorners(photo, code.display, corners))
        return PhotoTurn::NoDisplay;
    const double across = 0.5 * (cv::norm(corners[1] - corners[0]) + cv::norm(corners[2] - corners[3]));
    const double down = 0.5 * (cv::norm(corners[3] - corners[0]) + cv::norm(corners[2] - corners[1]));
    const double aspect = static_cast<double>(code.display.width) / code.display.height;
    cv::Mat turned = photo;
    if (std::max(aspect, 1.0 / aspect) >= TurnedAspect && (aspect > 1.0) != (across > down)) {
        cv::rotate(photo, turned, cv::ROTATE_90_CLOCKWISE);
        if (!displayCorners(turned, code.display, corners))
            return PhotoTurn::NoDisplay;
    }
    const cv::Mat grey = channelMean(turned);
    const cv::Mat modules = patternCodeModules(code);
    std::array<double, 4> seen{};
    for (std::size_t i = 0; i < Flips.size(); ++i)
        seen[i] = modulesSeen(grey, corners, layout, modules, Flips[i]);
    const std::size_t best = std::max_element(seen.begin(), seen.end()) - seen.begin();
    double others = 0.0;
    for (std::size_t i = 0; i < seen.size(); ++i)
        if (i != best)
            others = std::max(others, seen[i]);
    if (seen[best] < ModulesAgreeing || seen[best] - others < AgreeingMargin)
        return PhotoTurn::Unknown;
    if (Flips[best] != 2)
        cv::flip(turned, upright, Flips[best]);
    else
        upright = turned;
    return PhotoTurn::Found;
}

} // namespace veltrane

#include "veltrane/autocal/frame_sides.h"

#include "veltrane/engine/interlace.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <complex>
#include <optional>
#include <vector>

namespace veltrane {

namespace {

// A lens spans at least this many photo pixels where its steps are seen.
constexpr double FinestLens = 3.0;
// How well the steps must line up (1: all of them exactly a lens apart).
constexpr double LinedUp = 0.65;
// And how much better than along one straight line, where that tells.
constexpr double ClearlyBetter = 0.1;
// Photo pixels a lens spans where an edge along one lens is seen along it.
constexpr double WideLens = 6.0;
// The sides' lean, display pixels a row, that the corners found may be off by.
constexpr double MostLeanOff = 0.05;
// Display pixels between the samples across a side.
constexpr double SampleStep = 0.25;

cv::Point2d mapped(const cv::Matx33d& h, cv::Point2d p)
{
    const cv::Vec3d q = h * cv::Vec3d(p.x, p.y, 1.0);
    return {q[0] / q[2], q[1] / q[2]};
}

// The picture's value at a point between its pixels' middles; none outside.
std::optional<double> valueAt(const cv::Mat& bright, cv::Point2d p)
{
    if (!(p.x >= 0.0 && p.y >= 0.0 && p.x < bright.cols - 1 && p.y < bright.rows - 1))
        return std::nullopt;
    const int x = static_cast<int>(p.x);
    const int y = static_cast<int>(p.y);
    const double fx = p.x - x;
    const double fy = p.y - y;
    auto at = [&](int r, int c) { return static_cast<double>(bright.at<uchar>(r, c)); };
    return (1 - fy) * ((1 - fx) * at(y, x) + fx * at(y, x + 1)) + fy * ((1 - fx) * at(y + 1, x) + fx * at(y + 1, x + 1));
}

struct Side {
    double column = 0.0; // where it is in the display: 0 or its width
    double outward = 0.0; // -1 for the left side, 1 for the right
};

// The light across a side, row by row of the display (but for half a
// frame's width at the top and bottom), a sample each SampleStep outward:
// from InFrom frames inside the side (in the white band, or the black
// inside it where the lenses show the band's inner edge far out) to
// OutTo frames outside: the edge seen lies up to a lens from the side
// found.
constexpr double InFrom = 0.9;
constexpr double OutTo = 0.6;

struct Across {
    std::vector<double> rows;
    std::vector<std::vector<double>> values; // by row
    double frame = 0.0;
};

// The distance of a sample out of the side (negative: in), in display pixels.
double sampleOut(const Across& across, double k)
{
    return -InFrom * across.frame + k * SampleStep;
}

Across lightAcross(const cv::Mat& bright, const cv::Matx33d& toPhoto, cv::Size display, int frame, Side side)
{
    Across across;
    across.frame = frame;
    const int samples = static_cast<int>((InFrom + OutTo) * frame / SampleStep) + 1;
    for (int row = frame / 2; row < display.height - frame / 2; ++row) {
        const double y = row + 0.5;
        std::vector<double> values;
        for (int k = 0; k < samples; ++k) {
            const double out = sampleOut(across, k);
            const std::optional<double> v = valueAt(bright, mapped(toPhoto, {side.column + side.outward * out, y}));
            if (!v)
                break;
            values.push_back(*v);
        }
        if (static_cast<int>(values.size()) == samples) {
            across.rows.push_back(y);
            across.values.push_back(std::move(values));
        }
    }
    return across;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The values of every row between two distances out of the side.
std::vector<double> valuesBetween(const Across& across, double from, double to)
{
    std::vector<double> between;
    for (const std::vector<double>& values : across.values)
        for (std::size_t k = 0; k < values.size(); ++k) {
            const double out = sampleOut(across, static_cast<double>(k));
            if (out >= from && out <= to)
                between.push_back(values[k]);
        }
    return between;
}

// The side's edge in display pixels (row, column): in each row, where the
// light, going out of the white band, first falls below the level halfway
// between the band's (the middle of it) and the room's.
std::vector<cv::Point2d> edgeAlongRows(const Across& across, Side side)
{
    std::vector<cv::Point2d> edge;
    if (across.values.empty())
        return edge;
    const double f = across.frame;
    const double level =
        0.5 * (median(valuesBetween(across, -0.7 * f, -0.3 * f)) + median(valuesBetween(across, 0.35 * f, OutTo * f)));
    for (std::size_t r = 0; r < across.rows.size(); ++r) {
        const std::vector<double>& values = across.values[r];
        for (std::size_t k = 1; k < values.size(); ++k)
            if (values[k] < level && values[k - 1] >= level) {
                const double part = (values[k - 1] - level) / (values[k - 1] - values[k]);
                const double out = sampleOut(across, static_cast<double>(k) - 1 + part);
                edge.emplace_back(across.rows[r], side.column + side.outward * out);
                break;
            }
    }
    return edge;
}

// The lean of the straight line through the edge's points, by least squares.
double straightLean(const std::vector<cv::Point2d>& edge)
{
    cv::Point2d mean;
    for (const cv::Point2d& p : edge)
        mean += p;
    mean /= static_cast<double>(edge.size());
    double across = 0.0;
    double down = 0.0;
    for (const cv::Point2d& p : edge) {
        across += (p.x - mean.x) * (p.y - mean.y);
        down += (p.x - mean.x) * (p.x - mean.x);
    }
    return down > 0.0 ? across / down : 0.0;
}

// True when the edge is a staircase: its steps line up well, and better
// than the points do along one straight line; or the lenses cross the side
// less than once and are wide enough in the photo that its blur leaves an
// edge along a single lens straight with the lens, not with the side.
bool stepsSeen(double steps, double straight, double crossings, double lensInPhoto)
{
    return steps >= LinedUp &&
           (steps >= straight + ClearlyBetter || (crossings < 1.0 && lensInPhoto >= WideLens));
}

// How well the edge's points line up a lens apart along lines leaning
// `lean` (display pixels a row): 1 when every point lies on one of them.
double linedUp(const std::vector<cv::Point2d>& edge, double lens, double lean)
{
    std::complex<double> sum = 0.0;
    for (const cv::Point2d& p : edge)
        sum += std::polar(1.0, 2.0 * CV_PI * (p.y - lean * p.x) / lens);
    return std::abs(sum) / static_cast<double>(edge.size());
}

// The lean of the steps, near `about`: the one along which they line up best.
double stepsLean(const std::vector<cv::Point2d>& edge, double lens, double about, double& best)
{
    const double span = edge.back().x - edge.front().x;
    double step = lens / (16.0 * span);
    double lean = about;
    best = -1.0;
    for (double l = about - MostLeanOff; l <= about + MostLeanOff; l += step) {
        const double r = linedUp(edge, lens, l);
        if (r > best) {
            best = r;
            lean = l;
        }
    }
    for (int finer = 0; finer < 3; ++finer) {
        const double around = lean;
        for (int k = -8; k <= 8; ++k) {
            const double l = around + k * step / 8.0;
            const double r = linedUp(edge, lens, l);
            if (r > best) {
                best = r;
                lean = l;
            }
        }
        step /= 8.0;
    }
    return lean;
}

cv::Point2d crossing(cv::Point2d a1, cv::Point2d a2, cv::Point2d b1, cv::Point2d b2)
{
    const cv::Point2d u = a2 - a1;
    const cv::Point2d v = b2 - b1;
    const double cross = u.x * v.y - u.y * v.x;
    if (std::fabs(cross) < 1e-12)
        return a1;
    const double s = ((b1.x - a1.x) * v.y - (b1.y - a1.y) * v.x) / cross;
    return a1 + s * u;
}

} // namespace

std::vector<cv::Point2f> sidesThroughLenses(const cv::Mat& bright, const std::vector<cv::Point2f>& corners,
                                            cv::Size display, int frame, const Calibration& lenses)
{
    LineLayout lines;
    if (corners.size() != 4 || bright.type() != CV_8UC1 || !(lenses.pitch > 0.0) ||
        lineLayout(lenses, display, 1, lines) != Status::Done)
        return corners;
    const double lens = lenses.pitch / 3.0;     // display pixels
    const double lensLean = lines.perRow / 3.0; // display pixels a row
    const double crossed = std::fabs(lensLean) * display.height / lens;
    const double down = 0.5 * (cv::norm(corners[3] - corners[0]) + cv::norm(corners[2] - corners[1]));
    if (crossed > MostLensesCrossed || lens * down / display.height < FinestLens)
        return corners;
    const std::vector<cv::Point2f> square = {{0.0f, 0.0f},
                                             {static_cast<float>(display.width), 0.0f},
                                             {static_cast<float>(display.width), static_cast<float>(display.height)},
                                             {0.0f, static_cast<float>(display.height)}};
    const cv::Matx33d toPhoto(cv::getPerspectiveTransform(square, corners));
    std::vector<cv::Point2d> found(corners.begin(), corners.end());
    for (const Side side : {Side{0.0, -1.0}, Side{static_cast<double>(display.width), 1.0}}) {
        const std::vector<cv::Point2d> edge = edgeAlongRows(lightAcross(bright, toPhoto, display, frame, side), side);
        if (edge.size() < static_cast<std::size_t>(display.height / 4))
            continue;
        double lined = 0.0;
        const double lean = stepsLean(edge, lens, lensLean, lined) - lensLean;
        const double straight = linedUp(edge, lens, straightLean(edge));
        if (!stepsSeen(lined, straight, crossed, lens * down / display.height))
            continue;
        // Through the edge's middle, leaning as the steps' lines do less the lenses' own lean.
        double offset = 0.0;
        for (const cv::Point2d& p : edge)
            offset += p.y - lean * p.x;
        offset /= static_cast<double>(edge.size());
        const cv::Point2d top = mapped(toPhoto, {offset, 0.0});
        const cv::Point2d bottom = mapped(toPhoto, {offset + lean * display.height, static_cast<double>(display.height)});
        const int upper = side.outward < 0 ? 0 : 1;
        const int lower = side.outward < 0 ? 3 : 2;
        found[upper] = crossing(top, bottom, corners[0], corners[1]);
        found[lower] = crossing(top, bottom, corners[3], corners[2]);
    }
    return std::vector<cv::Point2f>(found.begin(), found.end());
}

} // namespace veltrane

#include "veltrane/simulator/lens_view.h"

#include "veltrane/engine/interlace.h"

#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <cmath>

namespace veltrane {

namespace {

// The lens over column c of row y: its index and its centre line's column.
struct LensAt {
    long index;
    double centre;
};

LensAt lensAt(const LineLayout& layout, double pitch, int y, double c)
{
    const double edge = layout.firstLine + y * layout.perRow;
    const double index = std::floor((c - edge) / pitch);
    return {static_cast<long>(index), edge + (index + 0.5) * pitch};
}

// Where the ray from the eye through column x of the lens sheet meets the
// panel, gap behind it.
double throughTo(const Eye& eye, double middle, double x, double gap)
{
    const double eyeColumn = middle + eye.offset;
    return x + (x - eyeColumn) * gap / eye.distance;
}

// The panel's rows the rays through row y of the sheet meet, and the
// second's share: the first row, and the next with weight, as the rays land
// between their centres (a row's centre is at its index, the panel's middle
// at rows / 2, three subpixel columns a row). first is -1 or rows (and the
// weight 0) where they miss the panel.
struct RowsHit {
    int first;
    double weight;
};

RowsHit rowsThrough(const Eye& eye, double gap, int rows, int y)
{
    const double eyeRow = rows / 2.0 - eye.height / 3.0;
    const double hit = y + (y - eyeRow) * gap / eye.distance;
    const double first = std::floor(hit);
    if (first < -1.0 || first > rows - 1.0)
        return {first < 0.0 ? -1 : rows, 0.0};
    return {static_cast<int>(first), hit - first};
}

bool usable(const LensSheet& sheet, const Eye& eye, const SeeingOptions& options)
{
    return sheet.viewCount > 0 && std::isfinite(sheet.gap) && sheet.gap >= 0.0 && std::isfinite(eye.distance) &&
           eye.distance > 0.0 && std::isfinite(eye.offset) && std::isfinite(eye.height) &&
           std::isfinite(options.spot) && options.spot > 0.0 && options.spot <= 3000.0;
}

// The colour (blue first) the panel shows over [from, to) of one row, where
// subpixel c covers [c - 1/2, c + 1/2): each subpixel's share of the stretch
// in its own channel, three times over (a subpixel is a third of its
// pixel); nothing off the panel.
cv::Vec3d spotColour(const unsigned char* row, int columns, bool panelBgr, double from, double to)
{
    cv::Vec3d sums(0.0, 0.0, 0.0);
    if (row == nullptr)
        return sums; // off the panel: dark
    const double first = std::max(0.0, std::floor(from + 0.5));
    const double last = std::min(columns - 1.0, std::ceil(to - 0.5));
    for (double c = first; c <= last; ++c) {
        const double share = std::min(to, c + 0.5) - std::max(from, c - 0.5);
        if (share <= 0.0)
            continue;
        const int column = static_cast<int>(c);
        const int position = column % 3;                        // from the left of its pixel
        const int channel = panelBgr ? position : 2 - position; // the byte of its colour, blue first
        sums[channel] += share * row[3 * (column / 3) + channel];
    }
    const double width = to - from;
    for (int k = 0; k < 3; ++k)
        sums[k] = 3.0 * sums[k] / width;
    return sums;
}

} // namespace

Status seeThroughSheet(const LensSheet& sheet, const Eye& eye, const cv::Mat& panel, cv::Mat& seen,
                       const SeeingOptions& options)
{
    if (panel.empty() || panel.type() != CV_8UC3 || !usable(sheet, eye, options))
        return Status::InvalidImage;
    LineLayout layout;
    const Status status = lineLayout(sheet.calibration, panel.size(), sheet.viewCount, layout);
    if (status != Status::Done)
        return status;
    const int columns = 3 * panel.cols;
    const double pitch = sheet.calibration.pitch;
    const double middle = 1.5 * panel.cols;
    const bool panelBgr = sheet.calibration.subpixelOrder == ChannelOrder::Bgr;
    cv::Mat out(panel.size(), CV_8UC3);
    cv::parallel_for_(cv::Range(0, panel.rows), [&](const cv::Range& range) {
        for (int y = range.start; y < range.end; ++y) {
            const RowsHit rows = rowsThrough(eye, sheet.gap, panel.rows, y);
            const auto rowAt = [&](int r) { return r >= 0 && r < panel.rows ? panel.ptr(r) : nullptr; };
            const unsigned char* upper = rowAt(rows.first);
            const unsigned char* lower = rowAt(rows.first + 1);
            auto* into = out.ptr<cv::Vec3b>(y);
            // A pixel shows the colour of the lens over it; where a lens edge
            // crosses it, the lenses over its three subpixels in their shares.
            bool known = false;
            long lens = 0;
            cv::Vec3b colour;
            for (int x = 0; x < panel.cols; ++x) {
                int sums[3] = {0, 0, 0};
                for (int i = 0; i < 3; ++i) {
                    const LensAt at = lensAt(layout, pitch, y, 3.0 * x + i);
                    if (!known || at.index != lens) {
                        known = true;
                        lens = at.index;
                        const double hit = throughTo(eye, middle, at.centre, sheet.gap);
                        const double from = hit - options.spot / 2;
                        const double to = hit + options.spot / 2;
                        const cv::Vec3d above = spotColour(upper, columns, panelBgr, from, to);
                        const cv::Vec3d below = spotColour(lower, columns, panelBgr, from, to);
                        for (int k = 0; k < 3; ++k)
                            colour[k] = cv::saturate_cast<unsigned char>(
                                rows.weight == 0.0 ? above[k] : above[k] + (below[k] - above[k]) * rows.weight);
                    }
                    for (int k = 0; k < 3; ++k)
                        sums[k] += colour[k];
                }
                for (int k = 0; k < 3; ++k)
                    into[x][k] = static_cast<unsigned char>((sums[k] + 1) / 3);
            }
        }
    });
    seen = out;
    return Status::Done;
}

} // namespace veltrane

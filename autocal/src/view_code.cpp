#include "veltrane/autocal/view_code.h"

#include "veltrane/autocal/photo_reading.h"
#include "veltrane/engine/interlace.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <complex>

namespace veltrane {

namespace {

constexpr double Turn = 2.0 * CV_PI;
// A code fainter than this (the wave's amplitude against the mean) is not
// read, nor one whose rows' and columns' halves lie further from the whole's
// place than this share of a lens.
constexpr double FaintestContrast = 0.1;
constexpr double WidestSpread = 0.08;
// The colours' places, in shares of a lens summed over red and blue: an
// order is taken when it fits within the first and better than the other
// by the second.
constexpr double WorstColourMisfit = 0.1;
constexpr double OrderMargin = 0.05;
// The photo's display is read at this many pixels across at most.
constexpr int ReadWidth = 1280;

cv::Rect codeArea(const PatternLayout& layout)
{
    return layout.fields[0] | layout.fields[1];
}

// The shift of tile (i, j): every row and every column holds each once.
int tileShift(int i, int j)
{
    return (i + 3 * j) % ViewCodeShifts;
}

cv::Rect tileRect(const cv::Rect& area, int i, int j)
{
    const int x0 = area.x + area.width * i / ViewCodeShifts;
    const int x1 = area.x + area.width * (i + 1) / ViewCodeShifts;
    const int y0 = area.y + area.height * j / ViewCodeShifts;
    const int y1 = area.y + area.height * (j + 1) / ViewCodeShifts;
    return cv::Rect(x0, y0, x1 - x0, y1 - y0);
}

// One lens's lines: view 0's, as the engine draws it for found's numbers at
// phase 0.
bool lensLines(const Calibration& found, cv::Size display, int viewCount, LineLayout& lines)
{
    Calibration unshifted = found;
    unshifted.viewPhase = 0.0;
    return lineLayout(unshifted, display, viewCount, lines) == Status::Done;
}

void drawTile(const LineLayout& lines, double pitch, bool rgb, double shift, const cv::Rect& tile, cv::Mat& pattern)
{
    for (int y = tile.y; y < tile.y + tile.height; ++y) {
        const double start = lines.firstLine + y * lines.perRow;
        auto* row = pattern.ptr<cv::Vec3b>(y);
        for (int x = tile.x; x < tile.x + tile.width; ++x)
            for (int b = 0; b < 3; ++b) {
                const int column = 3 * x + (rgb ? 2 - b : b);
                const double u = (column - start) / pitch;
                const double wave = 0.5 + 0.5 * std::cos(Turn * (u - std::floor(u)) - shift);
                row[x][b] = cv::saturate_cast<uchar>(255.0 * wave);
            }
    }
}

double wrapped(double share)
{
    return share - std::floor(share);
}

// The difference of two shares of a lens, taken to [-0.5, 0.5).
double shareApart(double a, double b)
{
    return wrapped(a - b + 0.5) - 0.5;
}

// Which way the panel's subpixels run, from where the camera's three colours
// see the lenses: drawn in the panel's order, all three see one place;
// drawn in the other, the subpixel at a pixel's left shows what was drawn
// for its right, two columns (2 / P of a lens) further on, the one at its
// right what was drawn for its left, and green, in the middle, is right
// either way. The order that fits, and the place: the whole code's, or
// green's when the order was not the one drawn. False when neither fits.
bool readPanelOrder(const std::complex<double> channels[3], const Calibration& found, LensPlace& place)
{
    const double blue = std::arg(channels[0]) / Turn;
    const double green = std::arg(channels[1]) / Turn;
    const double red = std::arg(channels[2]) / Turn;
    const double drawnMisfit = std::fabs(shareApart(red, green)) + std::fabs(shareApart(blue, green));
    // Drawn red first, the other panel has blue at a pixel's left.
    const bool rgb = found.subpixelOrder == ChannelOrder::Rgb;
    const double left = rgb ? blue : red;
    const double right = rgb ? red : blue;
    const double step = 2.0 / found.pitch;
    const double otherMisfit =
        std::fabs(shareApart(left, green + step)) + std::fabs(shareApart(right, green - step));
    const bool other = otherMisfit + OrderMargin < drawnMisfit;
    if (std::min(drawnMisfit, otherMisfit) > WorstColourMisfit)
        return false;
    place.panel = other ? (rgb ? ChannelOrder::Bgr : ChannelOrder::Rgb) : found.subpixelOrder;
    if (other)
        place.share = wrapped(green);
    return true;
}

} // namespace

Status drawViewCode(const Calibration& found, cv::Size display, cv::Mat& pattern)
{
    const PatternLayout layout = patternLayout(display, found.pitch);
    cv::Mat drawn;
    const PatternCode none{found, display, 1};
    if (const Status status = drawPattern(layout, none, drawn); status != Status::Done)
        return status;
    LineLayout lines;
    if (!lensLines(found, display, 1, lines))
        return Status::UnsupportedGeometry;
    const cv::Rect area = codeArea(layout);
    drawn(area).setTo(cv::Scalar::all(0));
    const bool rgb = found.subpixelOrder == ChannelOrder::Rgb;
    for (int j = 0; j < ViewCodeShifts; ++j)
        for (int i = 0; i < ViewCodeShifts; ++i)
            drawTile(lines, found.pitch, rgb, Turn * tileShift(i, j) / ViewCodeShifts, tileRect(area, i, j), drawn);
    pattern = drawn;
    return Status::Done;
}

bool readLensPlace(const cv::Mat& photo, const Calibration& found, cv::Size display, LensPlace& place,
                   std::string& problem)
{
    const PatternLayout layout = patternLayout(display, found.pitch);
    const double scale = std::min(1.0, static_cast<double>(ReadWidth) / std::max(display.width, display.height));
    cv::Mat rectified;
    cv::Mat colours;
    if (!rectifyPhoto(photo, layout, found, scale, rectified, problem, &colours))
        return false;
    const cv::Rect area = codeArea(layout);
    const cv::Rect inside(0, 0, rectified.cols, rectified.rows);
    std::complex<double> whole;
    std::complex<double> channels[3]; // as the camera's blue, green and red see it
    double brightness = 0.0;
    // Every row and every column of tiles holds all eight shifts: the left
    // and the right halves of a row's tiles each give u on their own, as do
    // the top and bottom halves of a column's, and they agree when u is
    // alike everywhere (halves, not whole tiles, so that u changing by a
    // whole turn from tile to tile is not taken for u alike).
    std::complex<double> parts[4][ViewCodeShifts];
    for (int j = 0; j < ViewCodeShifts; ++j)
        for (int i = 0; i < ViewCodeShifts; ++i) {
            const cv::Rect tile = tileRect(area, i, j);
            const std::complex<double> shift = std::polar(1.0, Turn * tileShift(i, j) / ViewCodeShifts);
            // The tile less a tenth at its edges, clear of the blur across
            // them, in quarters.
            for (int quarter = 0; quarter < 4; ++quarter) {
                const double left = tile.x + tile.width * (quarter % 2 == 0 ? 0.1 : 0.5);
                const double top = tile.y + tile.height * (quarter / 2 == 0 ? 0.1 : 0.5);
                const cv::Rect part(cvRound(left * scale), cvRound(top * scale),
                                    std::max(1, cvRound(0.4 * tile.width * scale)),
                                    std::max(1, cvRound(0.4 * tile.height * scale)));
                const cv::Scalar means = cv::mean(colours(part & inside));
                const double mean = (means[0] + means[1] + means[2]) / 3.0;
                for (int c = 0; c < 3; ++c)
                    channels[c] += means[c] * shift;
                parts[quarter % 2][j] += mean * shift;       // the row's left or right halves
                parts[2 + quarter / 2][i] += mean * shift;   // the column's top or bottom halves
                whole += mean * shift;
                brightness += mean;
            }
        }
    // Each shift's tiles summed: the first harmonic's amplitude is half
    // the wave's times the count of each.
    place.contrast = brightness > 0.0 ? 2.0 * std::abs(whole) / brightness : 0.0;
    place.share = wrapped(std::arg(whole) / Turn);
    place.spread = 0.0;
    for (const auto& halves : parts)
        for (const std::complex<double>& part : halves)
            place.spread = std::max(place.spread, std::fabs(shareApart(std::arg(part) / Turn, place.share)));
    if (place.contrast < FaintestContrast) {
        problem = "the views' code is too faint in the photo to read";
        return false;
    }
    if (place.spread > WidestSpread) {
        problem = "the views' code is not alike across the display (the numbers are not right for the camera's "
                  "place)";
        return false;
    }
    if (!readPanelOrder(channels, found, place)) {
        problem = "the views' code's colours do not agree on where the subpixels are";
        return false;
    }
    return true;
}

double phaseForPlace(const Calibration& found, cv::Size display, int viewCount, double share)
{
    LineLayout lens;
    LineLayout views;
    if (!lensLines(found, display, 1, lens) || !lensLines(found, display, viewCount, views))
        return 0.0;
    // The place seen, in views of viewCount from their view 0's line at
    // phase 0; a phase of P adds P to it.
    const double seen = (lens.firstLine + share * found.pitch - views.firstLine) / views.spacing;
    double phase = std::fmod((viewCount - 1) / 2.0 - seen, viewCount);
    if (phase < 0.0)
        phase += viewCount;
    return phase < viewCount ? phase : 0.0;
}

} // namespace veltrane

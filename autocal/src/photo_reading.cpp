#include "veltrane/autocal/photo_reading.h"

#include "veltrane/autocal/display_frame.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace veltrane {

namespace {

// The fringes' frequency made exact by their phase: the spectrum kept only
// around the peak (within half its frequency, and within KeptCycles of it)
// and turned back into the field, where the fringes are then one complex
// wave; the mean step of its phase from pixel to pixel, across and down, is
// their frequency. The peak's place in the spectrum is a fraction of a bin
// off; the phase over the whole field is far finer.
//
// Fine lenses over the panel's subpixels beat in more ways than one: a
// harmonic of the drawn lines against the lenses and the subpixels' own
// grid makes faint fringes a few cycles across the field from the ones
// read, and kept with them they bend the wave's phase (by a quarter of a
// fringe across the display at a pitch of 5). A Hann window's peak is
// four cycles wide, two either side: KeptCycles holds it and a cycle more
// either side, and little else.
constexpr double KeptCycles = 3.0;

cv::Point2d frequencyByPhase(const cv::Mat& spectrum, cv::Point peak, cv::Size field, const cv::Rect& skipped)
{
    // Bins apart, around the spectrum's edges.
    auto apart = [](int a, int b, int size) {
        const int d = ((a - b) % size + size) % size;
        return d > size / 2 ? d - size : d;
    };
    const double radius = 0.5 * std::hypot(peak.x, apart(peak.y, 0, spectrum.rows));
    // A bin of the padded spectrum, in cycles across the field.
    const double binAcross = static_cast<double>(field.width) / spectrum.cols;
    const double binDown = static_cast<double>(field.height) / spectrum.rows;
    cv::Mat kept(spectrum.size(), spectrum.type(), cv::Scalar::all(0));
    for (int r = 0; r < spectrum.rows; ++r) {
        const int dy = apart(r, peak.y, spectrum.rows);
        for (int c = 0; c < spectrum.cols; ++c) {
            const int dx = apart(c, peak.x, spectrum.cols);
            const double cycles = std::hypot(dx * binAcross, dy * binDown); // across the field from the peak
            if (std::hypot(dx, dy) <= radius && cycles <= KeptCycles)
                kept.at<cv::Vec2f>(r, c) = spectrum.at<cv::Vec2f>(r, c);
        }
    }
    cv::Mat wave;
    cv::idft(kept, wave, cv::DFT_COMPLEX_OUTPUT);
    std::complex<double> across = 0.0;
    std::complex<double> down = 0.0;
    auto at = [&](int y, int x) {
        const cv::Vec2f v = wave.at<cv::Vec2f>(y, x);
        return std::complex<double>(v[0], v[1]);
    };
    for (int y = 0; y + 1 < field.height; ++y)
        for (int x = 0; x + 1 < field.width; ++x) {
            if (skipped.contains(cv::Point(x, y)))
                continue;
            const std::complex<double> here = std::conj(at(y, x));
            across += at(y, x + 1) * here;
            down += at(y + 1, x) * here;
        }
    return cv::Point2d(std::arg(across), std::arg(down)) / (2.0 * CV_PI);
}

// The pattern's frame where the display was found: its white band clearly
// brighter than the black band inside it.
bool frameIsThere(const cv::Mat& rectified, const PatternLayout& layout, double scale)
{
    const cv::Rect whole(0, 0, rectified.cols, rectified.rows);
    // The rectangle d pixels in from the display's edges.
    auto inset = [&](double d) {
        const int in = cvRound(d * scale);
        return cv::Rect(in, in, whole.width - 2 * in, whole.height - 2 * in) & whole;
    };
    // The mean of the ring between two insets: the outer's sum less the inner's.
    auto ringMean = [&](double outer, double inner) {
        const cv::Rect a = inset(outer);
        const cv::Rect b = inset(inner);
        const double area = static_cast<double>(a.area()) - b.area();
        return area > 0 ? (cv::sum(rectified(a))[0] - cv::sum(rectified(b))[0]) / area : 0.0;
    };
    const double f = layout.frame;
    const double g = layout.gap;
    if (inset(f + 0.75 * g).area() == 0)
        return false;
    // The middle halves of the white band and of the black band inside it.
    return ringMean(0.25 * f, 0.75 * f) > ringMean(f + 0.25 * g, f + 0.75 * g) + 0.1;
}

// A field less the light that lifts its dark parts unevenly (a lamp's or a
// window's reflection on the screen): the lower envelope of its values
// over a fringe's period, smoothed. A field lifted evenly, or by under
// LiftFelt, is left as it is.
constexpr double LiftFelt = 0.05;

cv::Mat withoutLift(const cv::Mat& field, double period)
{
    const int side = std::max(3, cvRound(1.2 * period) | 1);
    cv::Mat lift;
    cv::erode(field, lift, cv::Mat::ones(side, side, CV_8U), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    cv::GaussianBlur(lift, lift, cv::Size(), 0.5 * side, 0, cv::BORDER_REPLICATE);
    double lowest = 0.0;
    double highest = 0.0;
    cv::minMaxLoc(lift, &lowest, &highest);
    if (highest - lowest < LiftFelt)
        return field;
    return field - lift;
}

// A field's spectrum: its values less their mean (the skipped part, in the
// field's pixels, set to it), under a Hann window, zero-padded to four times
// its size (a finer grid for the peak).
void windowedSpectrum(const cv::Mat& field, const cv::Rect& skipped, cv::Mat& spectrum, cv::Mat& magnitude)
{
    cv::Mat values = field.clone();
    cv::Mat read(values.size(), CV_8U, cv::Scalar(255));
    read(skipped).setTo(0);
    values -= cv::mean(values, read)[0];
    values(skipped).setTo(0);
    cv::Mat hann;
    cv::createHanningWindow(hann, values.size(), CV_32F);
    values = values.mul(hann);
    cv::Mat padded(cv::getOptimalDFTSize(4 * values.rows), cv::getOptimalDFTSize(4 * values.cols), CV_32F,
                   cv::Scalar(0));
    values.copyTo(padded(cv::Rect(0, 0, values.cols, values.rows)));
    cv::dft(padded, spectrum, cv::DFT_COMPLEX_OUTPUT);
    std::vector<cv::Mat> parts;
    cv::split(spectrum, parts);
    cv::magnitude(parts[0], parts[1], magnitude);
}

struct Peak {
    cv::Point bin;
    double size = -1.0;
};

// A peak's main lobe, in bins of the spectrum four times padded under a
// Hann window: a neighbourhood this wide holds one peak.
constexpr int LobeBins = 9;

// The peaks of the half-plane (across >= 0) that the window allows
// (frequencies in cycles per rectified pixel are bin / size, per display
// pixel that times scale), no slower than `slowest`, the largest first:
// bins no smaller than any within a lobe of them.
std::vector<Peak> peaksWithin(const cv::Mat& magnitude, const FringeWindow& window, double scale, double slowest)
{
    auto within = [&](cv::Point2d f) {
        const cv::Point2d a = f * scale - window.expected;
        const cv::Point2d b = f * scale + window.expected;
        return (std::fabs(a.x) <= window.reach.x && std::fabs(a.y) <= window.reach.y) ||
               (std::fabs(b.x) <= window.reach.x && std::fabs(b.y) <= window.reach.y);
    };
    const int rows = magnitude.rows;
    const int columns = magnitude.cols;
    // The bins allowed, the rest 0: a peak is the largest of its lobe among them.
    cv::Mat allowed(magnitude.size(), CV_32F, cv::Scalar(0));
    for (int r = 0; r < rows; ++r) {
        const double fy = (r <= rows / 2 ? r : r - rows) / static_cast<double>(rows);
        for (int c = 0; c <= columns / 2; ++c) {
            const cv::Point2d f(c / static_cast<double>(columns), fy);
            if (cv::norm(f) >= slowest && within(f))
                allowed.at<float>(r, c) = magnitude.at<float>(r, c);
        }
    }
    cv::Mat largest;
    cv::dilate(allowed, largest, cv::Mat::ones(LobeBins, LobeBins, CV_8U));
    std::vector<Peak> peaks;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c <= columns / 2; ++c) {
            const float m = allowed.at<float>(r, c);
            if (m > 0.0f && m >= largest.at<float>(r, c))
                peaks.push_back({cv::Point(c, r), m});
        }
    std::sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.size > b.size; });
    return peaks;
}

// The blur before a photo is shrunk to the pixels it is read at, in those
// pixels: it leaves slow fringes (a fifth of a cycle a pixel) at two
// thirds, and all but removes what would fold onto them.
constexpr double AntiAliasing = 0.7;

} // namespace

cv::Mat channelMean(const cv::Mat& photo)
{
    cv::Mat grey;
    cv::transform(photo, grey, cv::Matx13f(1.0f / 3, 1.0f / 3, 1.0f / 3));
    return grey;
}

bool rectifyPhoto(const cv::Mat& photo, const PatternLayout& layout, const Calibration& lenses, double scale,
                  cv::Mat& rectified, std::string& problem, cv::Mat* colours)
{
    const cv::Mat grey = channelMean(photo);
    double lowest = 0.0;
    double highest = 0.0;
    cv::minMaxLoc(grey, &lowest, &highest);
    if (highest < 40.0) {
        problem = "the photo is too dark to find the display";
        return false;
    }
    std::vector<cv::Point2f> corners;
    if (!displayCorners(photo, layout.display, corners, &lenses)) {
        problem = "no display found in the photo (its white frame, whole and upright)";
        return false;
    }
    const float w = static_cast<float>(layout.display.width * scale);
    const float h = static_cast<float>(layout.display.height * scale);
    // A photo with more pixels than the display is read at is first blurred
    // to the pixels it is read at and shrunk by area, so that the lenses'
    // fine pattern, and its beat with the camera's pixels, fade instead of
    // folding into slow false fringes (a fine pitch on a large display).
    const double across = std::max(cv::norm(corners[1] - corners[0]), cv::norm(corners[2] - corners[3]));
    const double shrink = std::min(1.0, w / across);
    cv::Mat source = grey;
    cv::Mat sourceColours = photo;
    if (shrink < 1.0) {
        cv::GaussianBlur(grey, source, cv::Size(), AntiAliasing / shrink);
        cv::resize(source, source, cv::Size(), shrink, shrink, cv::INTER_AREA);
        if (colours)
            cv::resize(photo, sourceColours, cv::Size(), shrink, shrink, cv::INTER_AREA);
        for (cv::Point2f& corner : corners)
            corner *= static_cast<float>(shrink);
    }
    const std::vector<cv::Point2f> display = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    const cv::Mat toDisplay = cv::getPerspectiveTransform(corners, display);
    const cv::Size size(cvRound(w), cvRound(h));
    cv::Mat warped;
    cv::warpPerspective(source, warped, toDisplay, size, cv::INTER_LINEAR);
    warped.convertTo(rectified, CV_32F, 1.0 / 255);
    if (colours) {
        cv::warpPerspective(sourceColours, warped, toDisplay, size, cv::INTER_LINEAR);
        warped.convertTo(*colours, CV_32FC3, 1.0 / 255);
    }
    if (!frameIsThere(rectified, layout, scale)) {
        problem = "no display found in the photo (its white frame, whole and upright)";
        return false;
    }
    return true;
}

bool measureFringes(const cv::Mat& rectified, const cv::Rect& field, const cv::Rect& skipped, double scale,
                    const FringeWindow& window, std::vector<Fringes>& candidates, std::string& problem)
{
    auto scaled = [scale](const cv::Rect& r) {
        return cv::Rect(cvRound(r.x * scale), cvRound(r.y * scale), cvRound(r.width * scale),
                        cvRound(r.height * scale));
    };
    const cv::Rect inside = scaled(field) & cv::Rect(0, 0, rectified.cols, rectified.rows);
    if (inside.width < 16 || inside.height < 16) {
        problem = "the display is too small in the photo to measure";
        return false;
    }
    cv::Mat spectrum;
    cv::Mat magnitude;
    const cv::Rect overlap = scaled(skipped) & inside;
    const cv::Rect skippedInside = overlap.empty() ? cv::Rect() : overlap - inside.tl();
    // The longest period of the fringes the window allows, in rectified
    // pixels: a light lifted over more than that is no fringe.
    const double expected = std::hypot(window.expected.x, window.expected.y);
    const double slowest = std::max(expected - std::hypot(window.reach.x, window.reach.y), 1e-6);
    const double period = std::min(scale / slowest, 0.5 * std::min(inside.width, inside.height));
    windowedSpectrum(withoutLift(rectified(inside), period), skippedInside, spectrum, magnitude);
    // Fringes are at least 1.5 cycles across the field.
    const std::vector<Peak> peaks =
        peaksWithin(magnitude, window, scale, 1.5 / std::min(inside.width, inside.height));
    const double usual = cv::mean(magnitude)[0];
    candidates.clear();
    for (const Peak& peak : peaks) {
        const double strength = usual > 0.0 ? peak.size / usual : 0.0;
        if (strength < FringeStrength || peak.size < RivalShare * peaks.front().size ||
            candidates.size() == MostCandidates)
            break;
        candidates.push_back({frequencyByPhase(spectrum, peak.bin, inside.size(), skippedInside) * scale, strength});
    }
    if (candidates.empty()) {
        problem = "no fringes to measure in the photo (a wrong pattern, or too blurred)";
        return false;
    }
    return true;
}

} // namespace veltrane

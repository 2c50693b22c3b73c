#include "veltrane/autocal/display_frame.h"

#include "veltrane/autocal/pattern.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

namespace veltrane {

namespace {

// The straight line of one side of the frame, fitted to the outline's
// points along the middle of that side: seen through the lenses the edge is
// a staircase, each lens over it showing white or black, and the line runs
// through the middle of its steps (where the outline's outermost points, or
// its corners, lie up to half a lens off).
cv::Vec4f sideLine(const std::vector<cv::Point>& outline, cv::Point2f from, cv::Point2f to)
{
    const cv::Point2f along = to - from;
    const double length = cv::norm(along);
    const double reach = std::max(4.0, 0.04 * length);
    std::vector<cv::Point2f> near;
    for (const cv::Point& p : outline) {
        const cv::Point2f d = cv::Point2f(p) - from;
        const double t = d.dot(along) / (length * length);
        const double off = std::fabs(d.x * along.y - d.y * along.x) / length;
        if (t > 0.1 && t < 0.9 && off < reach)
            near.push_back(cv::Point2f(p));
    }
    cv::Vec4f line;
    if (near.size() < 8)
        return cv::Vec4f(along.x / static_cast<float>(length), along.y / static_cast<float>(length), from.x, from.y);
    cv::fitLine(near, line, cv::DIST_HUBER, 0, 0.01, 0.01);
    return line;
}

cv::Point2f crossing(const cv::Vec4f& a, const cv::Vec4f& b)
{
    // a: p + s u, b: q + t v; solve p + s u = q + t v.
    const double cross = a[0] * b[1] - a[1] * b[0];
    if (std::fabs(cross) < 1e-9)
        return cv::Point2f(a[2], a[3]);
    const double s = ((b[2] - a[2]) * b[1] - (b[3] - a[3]) * b[0]) / cross;
    return cv::Point2f(static_cast<float>(a[2] + s * a[0]), static_cast<float>(a[3] + s * a[1]));
}

// Four points in their order about their middle, from the one that makes
// the top side run most nearly left to right: top left, top right, bottom
// right, bottom left for a display turned less than 45 degrees.
std::vector<cv::Point2f> ordered(std::vector<cv::Point2f> points)
{
    const cv::Point2f middle = std::accumulate(points.begin(), points.end(), cv::Point2f()) * 0.25f;
    std::sort(points.begin(), points.end(), [&](const cv::Point2f& a, const cv::Point2f& b) {
        return std::atan2(a.y - middle.y, a.x - middle.x) < std::atan2(b.y - middle.y, b.x - middle.x);
    });
    int first = 0;
    double level = HUGE_VAL;
    for (int k = 0; k < 4; ++k) {
        const cv::Point2f across = (points[(k + 1) % 4] - points[k]) + (points[(k + 2) % 4] - points[(k + 3) % 4]);
        const double turned = std::fabs(std::atan2(across.y, across.x));
        if (turned < level) {
            level = turned;
            first = k;
        }
    }
    std::rotate(points.begin(), points.begin() + first, points.end());
    return points;
}

// The outline's four corners where the lines of its sides cross, in order;
// none when it is no convex quadrilateral.
std::optional<std::vector<cv::Point2f>> quadrilateral(const std::vector<cv::Point>& outline)
{
    std::vector<cv::Point> hull;
    cv::convexHull(outline, hull);
    std::vector<cv::Point> quad;
    cv::approxPolyDP(hull, quad, 0.02 * cv::arcLength(hull, true), true);
    if (quad.size() != 4 || !cv::isContourConvex(quad))
        return std::nullopt;
    const std::vector<cv::Point2f> points = ordered({quad.begin(), quad.end()});
    cv::Vec4f sides[4];
    for (int i = 0; i < 4; ++i)
        sides[i] = sideLine(outline, points[i], points[(i + 1) % 4]);
    std::vector<cv::Point2f> corners(4);
    for (int i = 0; i < 4; ++i)
        corners[i] = crossing(sides[(i + 3) % 4], sides[i]);
    return corners;
}

std::vector<cv::Point2f> rectangleCorners(const cv::Rect2f& r)
{
    return {r.tl(), {r.x + r.width, r.y}, r.br(), {r.x, r.y + r.height}};
}

// The display's corners from those of the frame's inner edge, the frame's
// width in from them.
std::vector<cv::Point2f> outerFromInner(const std::vector<cv::Point2f>& inner, const PatternLayout& layout)
{
    const float f = static_cast<float>(layout.frame);
    const cv::Size2f size(static_cast<float>(layout.display.width), static_cast<float>(layout.display.height));
    const cv::Mat toPhoto =
        cv::getPerspectiveTransform(rectangleCorners({f, f, size.width - 2 * f, size.height - 2 * f}), inner);
    std::vector<cv::Point2f> outer;
    cv::perspectiveTransform(rectangleCorners({0, 0, size.width, size.height}), outer, toPhoto);
    return outer;
}

struct FrameLevels {
    double white = 0.0;   // the frame's band: the level a quarter of it lies below
    double black = 0.0;   // the black band inside it: the level 70 % of it lies below
    double outside = 0.0; // the room just outside the display: its median
};

// The levels (0 to 255) of a display with these corners, in a small
// picture of it: the middle halves of the frame's band and of the black
// band inside it, and a frame's width outside.
FrameLevels frameLevels(const cv::Mat& bright, const std::vector<cv::Point2f>& corners, const PatternLayout& layout)
{
    const double scale = 320.0 / std::max(layout.display.width, layout.display.height);
    const float f = static_cast<float>(layout.frame * scale);
    const float g = static_cast<float>(layout.gap * scale);
    const cv::Size2f size(static_cast<float>(layout.display.width * scale),
                          static_cast<float>(layout.display.height * scale));
    // The display and a frame's width around it.
    const cv::Mat toPicture = cv::getPerspectiveTransform(
        corners, rectangleCorners({f, f, size.width, size.height}));
    cv::Mat picture;
    cv::warpPerspective(bright, picture, toPicture, cv::Size(cvRound(size.width + 2 * f), cvRound(size.height + 2 * f)),
                        cv::INTER_AREA, cv::BORDER_REPLICATE);
    // The pixels between two rectangles d1 and d2 in from the display's edges (negative: outside).
    // Their level below which the share of them lies, from their histogram.
    auto ring = [&](double d1, double d2, double share) {
        int counts[256] = {};
        int total = 0;
        for (int y = 0; y < picture.rows; ++y)
            for (int x = 0; x < picture.cols; ++x) {
                const double in = std::min({x - f, y - f, f + size.width - x, f + size.height - y});
                if (in >= d1 && in < d2) {
                    ++counts[picture.at<uchar>(y, x)];
                    ++total;
                }
            }
        int level = 0;
        for (int seen = counts[0]; level < 255 && seen < share * total; seen += counts[++level]) {
        }
        return static_cast<double>(level);
    };
    // The band white nearly all round, the black inside it dark but where a
    // reflection crosses it.
    return {ring(0.25 * f, 0.75 * f, 0.25), ring(f + 0.25 * g, f + 0.75 * g, 0.7), ring(-0.75 * f, -0.25 * f, 0.5)};
}

struct Candidate {
    std::vector<cv::Point2f> corners;
    double contrast = 0.0; // of the frame's band against the black inside it, 0 to 255
    bool fromInner = false;
};

// The quadrilaterals of the bright parts of the picture at this level,
// and, for those with a quadrilateral hole, the display the hole's edge is
// the frame's inner edge of.
void addCandidates(const cv::Mat& bright, double level, const PatternLayout& layout, std::vector<Candidate>& found)
{
    cv::Mat binary;
    cv::threshold(bright, binary, level, 255, cv::THRESH_BINARY);
    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(binary, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_NONE);
    const double smallest = 0.03 * static_cast<double>(bright.total());
    for (std::size_t i = 0; i < contours.size(); ++i) {
        if (hierarchy[i][3] >= 0)
            continue;
        const double area = cv::contourArea(contours[i]);
        if (area < smallest)
            continue;
        if (const auto corners = quadrilateral(contours[i]))
            found.push_back({*corners, 0.0, false});
        for (int hole = hierarchy[i][2]; hole >= 0; hole = hierarchy[static_cast<std::size_t>(hole)][0]) {
            const auto& edge = contours[static_cast<std::size_t>(hole)];
            if (cv::contourArea(edge) < 0.3 * area)
                continue;
            if (const auto inner = quadrilateral(edge))
                found.push_back({outerFromInner(*inner, layout), 0.0, true});
        }
    }
}

// A frame's contrast, in 255ths, that is taken for one: lit white against black.
constexpr double FrameContrast = 60.0;

// True for corners whose sides are about as long across against down as
// the display's, as it stands or a quarter turned (a phone's photo stored
// so): turned away from the camera by up to 40 degrees or so, a display
// looks at most a third narrower or shorter.
bool shapedLike(const std::vector<cv::Point2f>& corners, cv::Size display)
{
    const double across = cv::norm(corners[1] - corners[0]) + cv::norm(corners[2] - corners[3]);
    const double down = cv::norm(corners[3] - corners[0]) + cv::norm(corners[2] - corners[1]);
    if (!(across > 0.0 && down > 0.0))
        return false;
    const double aspect = static_cast<double>(display.width) / display.height;
    auto near = [](double ratio) { return ratio > 1.0 / 1.5 && ratio < 1.5; };
    return near(across / down / aspect) || near(down / across / aspect);
}

// The largest distance between two sets of corners, in pixels.
double cornersApart(const std::vector<cv::Point2f>& a, const std::vector<cv::Point2f>& b)
{
    double apart = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        apart = std::max(apart, static_cast<double>(cv::norm(a[i] - b[i])));
    return apart;
}

// The frame found again with its edge at the level halfway between the two
// sides of it (the outer edge between the frame and the room, the inner
// between the frame and the black inside it), where a blurred edge lies
// whatever the blur; the candidate as it was when no such outline is near.
std::vector<cv::Point2f> refined(const cv::Mat& bright, const Candidate& candidate, const PatternLayout& layout)
{
    const FrameLevels levels = frameLevels(bright, candidate.corners, layout);
    const double level = 0.5 * (levels.white + (candidate.fromInner ? levels.black : levels.outside));
    std::vector<Candidate> again;
    addCandidates(bright, level, layout, again);
    const double near = 0.02 * cv::norm(candidate.corners[2] - candidate.corners[0]);
    const std::vector<cv::Point2f>* best = nullptr;
    for (const Candidate& found : again)
        if (found.fromInner == candidate.fromInner && cornersApart(found.corners, candidate.corners) < near &&
            (!best || cornersApart(found.corners, candidate.corners) < cornersApart(*best, candidate.corners)))
            best = &found.corners;
    return best ? *best : candidate.corners;
}

} // namespace

cv::Mat brightestChannel(const cv::Mat& photo)
{
    std::vector<cv::Mat> channels;
    cv::split(photo, channels);
    cv::Mat bright = channels[0];
    for (std::size_t c = 1; c < channels.size(); ++c)
        bright = cv::max(bright, channels[c]);
    return bright;
}

bool displayCorners(const cv::Mat& photo, cv::Size display, std::vector<cv::Point2f>& corners)
{
    const PatternLayout layout = patternLayout(display, 0.0);
    const cv::Mat bright = brightestChannel(photo);
    cv::Mat mean;
    cv::transform(photo, mean, cv::Matx13f(1.0f / 3, 1.0f / 3, 1.0f / 3));
    std::vector<Candidate> found;
    // The usual photo first, a dark room: the frame's outline at the level
    // that parts the photo's dark from its light.
    cv::Mat parted;
    addCandidates(mean, cv::threshold(mean, parted, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU), layout, found);
    std::vector<uchar> sorted(bright.begin<uchar>(), bright.end<uchar>());
    std::sort(sorted.begin(), sorted.end());
    const double low = sorted[sorted.size() / 10];
    const double high = sorted[sorted.size() * 995 / 1000];
    for (const double share : {0.4, 0.55, 0.7, 0.85})
        addCandidates(bright, low + share * (high - low), layout, found);
    Candidate* best = nullptr;
    for (Candidate& candidate : found) {
        if (!shapedLike(candidate.corners, display))
            continue;
        const FrameLevels levels = frameLevels(bright, candidate.corners, layout);
        candidate.contrast = levels.white - levels.black;
        // A hull around the frame and things beside it: its band is not all white.
        if (candidate.contrast >= FrameContrast && (!best || candidate.contrast > best->contrast + 5.0))
            best = &candidate;
    }
    if (!best)
        return false;
    corners = refined(bright, *best, layout);
    return true;
}

} // namespace veltrane

#include "veltrane/autocal/display_frame.h"

#include "veltrane/autocal/frame_sides.h"
#include "veltrane/autocal/pattern.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <initializer_list>
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
// none when it is no convex quadrilateral. An outline runs through the
// middles of the bright pixels along its edge, where the edge itself lies
// half a pixel further on, between them and the dark: each side is moved
// there, `outward` pixels away from the outline's middle (out of a bright
// part's outline, into a hole's).
std::optional<std::vector<cv::Point2f>> quadrilateral(const std::vector<cv::Point>& outline, float outward)
{
    std::vector<cv::Point> hull;
    cv::convexHull(outline, hull);
    std::vector<cv::Point> quad;
    cv::approxPolyDP(hull, quad, 0.02 * cv::arcLength(hull, true), true);
    if (quad.size() != 4 || !cv::isContourConvex(quad))
        return std::nullopt;
    const std::vector<cv::Point2f> points = ordered({quad.begin(), quad.end()});
    cv::Vec4f sides[4];
    const cv::Point2f middle = std::accumulate(points.begin(), points.end(), cv::Point2f()) * 0.25f;
    for (int i = 0; i < 4; ++i) {
        sides[i] = sideLine(outline, points[i], points[(i + 1) % 4]);
        cv::Point2f normal(-sides[i][1], sides[i][0]);
        if (normal.dot(cv::Point2f(sides[i][2], sides[i][3]) - middle) < 0.0f)
            normal = -normal;
        sides[i][2] += outward * normal.x;
        sides[i][3] += outward * normal.y;
    }
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
        if (const auto corners = quadrilateral(contours[i], 0.5f))
            found.push_back({*corners, 0.0, false});
        for (int hole = hierarchy[i][2]; hole >= 0; hole = hierarchy[static_cast<std::size_t>(hole)][0]) {
            const auto& edge = contours[static_cast<std::size_t>(hole)];
            if (cv::contourArea(edge) < 0.3 * area)
                continue;
            if (const auto inner = quadrilateral(edge, -0.5f))
                found.push_back({outerFromInner(*inner, layout), 0.0, true});
        }
    }
}

// The largest distance between two sets of corners, in pixels.
double cornersApart(const std::vector<cv::Point2f>& a, const std::vector<cv::Point2f>& b)
{
    double apart = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        apart = std::max(apart, static_cast<double>(cv::norm(a[i] - b[i])));
    return apart;
}

// How near two finds of one display's corners lie, in pixels: 2 % of its
// diagonal.
double sameDisplay(const std::vector<cv::Point2f>& corners)
{
    return 0.02 * cv::norm(corners[2] - corners[0]);
}

// The picture's levels between its dark and its light: shares of the way
// from its 10th to its 99.5th percentile.
std::vector<double> levelsBetween(const cv::Mat& picture, std::initializer_list<double> shares)
{
    std::vector<std::size_t> counts(256, 0);
    for (auto p = picture.begin<uchar>(); p != picture.end<uchar>(); ++p)
        ++counts[*p];
    auto levelBelow = [&](double share) {
        std::size_t seen = 0;
        int level = 0;
        while (level < 255 && (seen += counts[static_cast<std::size_t>(level)]) <= share * picture.total())
            ++level;
        return static_cast<double>(level);
    };
    const double low = levelBelow(0.1);
    const double high = levelBelow(0.995);
    std::vector<double> levels;
    for (const double share : shares)
        levels.push_back(low + share * (high - low));
    return levels;
}

// The picture less its light over areas `share` of its shorter side across
// (a grey opening): what is left are its bright parts narrower than that,
// the frame's band among them, parted from the room's large bright things
// it meets and from a reflection's soft light over the screen and across
// the black inside the frame. Worked out on a picture of at most
// OpeningSide pixels down, where an opening of a large photo is quick.
constexpr int OpeningSide = 600;

cv::Mat thinBrightParts(const cv::Mat& bright, double share)
{
    const double shrink = std::min(1.0, static_cast<double>(OpeningSide) / std::min(bright.cols, bright.rows));
    cv::Mat small = bright;
    if (shrink < 1.0)
        cv::resize(bright, small, cv::Size(), shrink, shrink, cv::INTER_AREA);
    const int side = std::max(3, cvRound(share * std::min(small.cols, small.rows)) | 1);
    cv::Mat opened;
    cv::morphologyEx(small, opened, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(side, side)));
    if (shrink < 1.0)
        cv::resize(opened, opened, bright.size(), 0, 0, cv::INTER_LINEAR);
    return bright - opened;
}

// How many of the candidates lie where this one does: a frame's sharp edge
// is found at the same place at every level, the soft edge of a reflection
// moves with the level.
int support(const Candidate& candidate, const std::vector<Candidate>& found)
{
    const double near = 0.5 * sameDisplay(candidate.corners);
    return static_cast<int>(std::count_if(found.begin(), found.end(), [&](const Candidate& other) {
        return cornersApart(other.corners, candidate.corners) < near;
    }));
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

// The picture about the frame of a display with these corners only, from
// a frame's width outside it to halfway across the black band inside it;
// the rest dark. Inside lie the fields' lines, by the million in a large
// photo of a fine sheet, and outside the room's things.
cv::Mat nearFrame(const cv::Mat& bright, const std::vector<cv::Point2f>& corners, const PatternLayout& layout)
{
    const float f = static_cast<float>(layout.frame);
    const float in = f + 0.5f * static_cast<float>(layout.gap);
    const cv::Size2f size(static_cast<float>(layout.display.width), static_cast<float>(layout.display.height));
    const cv::Mat toPhoto = cv::getPerspectiveTransform(rectangleCorners({0, 0, size.width, size.height}), corners);
    auto outline = [&](const cv::Rect2f& r) {
        std::vector<cv::Point2f> points;
        cv::perspectiveTransform(rectangleCorners(r), points, toPhoto);
        std::vector<cv::Point> whole;
        for (const cv::Point2f& p : points)
            whole.push_back(cv::Point(cvRound(p.x), cvRound(p.y)));
        return whole;
    };
    cv::Mat ring(bright.size(), CV_8U, cv::Scalar(0));
    cv::fillConvexPoly(ring, outline({-f, -f, size.width + 2 * f, size.height + 2 * f}), cv::Scalar(255));
    cv::fillConvexPoly(ring, outline({in, in, size.width - 2 * in, size.height - 2 * in}), cv::Scalar(0));
    cv::Mat near(bright.size(), bright.type(), cv::Scalar(0));
    bright.copyTo(near, ring);
    return near;
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
    addCandidates(nearFrame(bright, candidate.corners, layout), level, layout, again);
    const double near = sameDisplay(candidate.corners);
    const std::vector<cv::Point2f>* best = nullptr;
    for (const Candidate& found : again)
        if (found.fromInner == candidate.fromInner && cornersApart(found.corners, candidate.corners) < near &&
            (!best || cornersApart(found.corners, candidate.corners) < cornersApart(*best, candidate.corners)))
            best = &found.corners;
    return best ? *best : candidate.corners;
}

// The frame found most often near `around` (anywhere when none), of those
// the clearest.
const Candidate* mostFound(const std::vector<Candidate>& frames, const Candidate* around)
{
    const Candidate* best = nullptr;
    int bestSupport = 0;
    for (const Candidate& candidate : frames) {
        if (around && cornersApart(candidate.corners, around->corners) >= sameDisplay(around->corners))
            continue;
        const int count = support(candidate, frames);
        if (!best || count > bestSupport || (count == bestSupport && candidate.contrast > best->contrast + 5.0)) {
            best = &candidate;
            bestSupport = count;
        }
    }
    return best;
}

// True when the inner candidate lies inside the outer, as near as two finds
// of one display.
bool holds(const Candidate& outer, const Candidate& inner)
{
    const double reach = sameDisplay(outer.corners);
    return std::all_of(inner.corners.begin(), inner.corners.end(), [&](const cv::Point2f& corner) {
        return cv::pointPolygonTest(outer.corners, corner, true) >= -reach;
    });
}

// A frame found as clear (ClearShare of the contrast) around another, and
// larger by Larger, is the display, the other a part of it that a
// reflection or a bright patch of the screen cut off with the frame.
constexpr double ClearShare = 0.8;
constexpr double Larger = 1.1;

const Candidate* chosenFrame(const std::vector<Candidate>& frames)
{
    const Candidate* best = mostFound(frames, nullptr);
    if (!best)
        return nullptr;
    const double clear = ClearShare * best->contrast;
    for (std::size_t grown = 0; grown < frames.size(); ++grown) {
        // Of the frames as clear around it and larger, the one found most often.
        const Candidate* larger = nullptr;
        int largerSupport = 0;
        for (const Candidate& other : frames) {
            if (other.contrast < clear || cv::contourArea(other.corners) <= Larger * cv::contourArea(best->corners) ||
                !holds(other, *best))
                continue;
            const int count = support(other, frames);
            if (count > largerSupport) {
                larger = &other;
                largerSupport = count;
            }
        }
        if (!larger)
            break;
        best = mostFound(frames, larger);
    }
    return best;
}

// The frame's candidates in a photo and its brightest channel: the
// outline at the level that parts the photo's dark from its light (the
// usual photo, a dark room), at levels of the brightest channel, and at
// levels of its thin bright parts (a frame that meets bright things, or
// that a reflection crosses).
std::vector<Candidate> candidatesIn(const cv::Mat& photo, const cv::Mat& bright, const PatternLayout& layout)
{
    std::vector<Candidate> found;
    cv::Mat mean;
    cv::transform(photo, mean, cv::Matx13f(1.0f / 3, 1.0f / 3, 1.0f / 3));
    cv::Mat parted;
    addCandidates(mean, cv::threshold(mean, parted, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU), layout, found);
    for (const double level : levelsBetween(bright, {0.4, 0.55, 0.7, 0.85}))
        addCandidates(bright, level, layout, found);
    for (const double share : {1.0 / 12, 1.0 / 6}) {
        const cv::Mat thin = thinBrightParts(bright, share);
        for (const double level : levelsBetween(thin, {0.3, 0.45, 0.6, 0.75}))
            addCandidates(thin, level, layout, found);
    }
    return found;
}

constexpr int FindingSide = 1600;

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

bool displayCorners(const cv::Mat& photo, cv::Size display, std::vector<cv::Point2f>& corners,
                    const Calibration* lenses)
{
    const PatternLayout layout = patternLayout(display, 0.0);
    // Looked for in a picture of at most FindingSide pixels across (a large
    // photo's noise makes contours by the million), found again in the photo.
    const double shrink = std::min(1.0, static_cast<double>(FindingSide) / std::max(photo.cols, photo.rows));
    cv::Mat small = photo;
    if (shrink < 1.0)
        cv::resize(photo, small, cv::Size(), shrink, shrink, cv::INTER_AREA);
    const cv::Mat bright = brightestChannel(small);
    std::vector<Candidate> frames;
    for (Candidate& candidate : candidatesIn(small, bright, layout)) {
        if (!shapedLike(candidate.corners, display))
            continue;
        const FrameLevels levels = frameLevels(bright, candidate.corners, layout);
        candidate.contrast = levels.white - levels.black;
        // A hull around the frame and things beside it: its band is not all white.
        if (candidate.contrast >= FrameContrast)
            frames.push_back(candidate);
    }
    const Candidate* best = chosenFrame(frames);
    if (!best)
        return false;
    // The small picture's pixels to the photo's, their middles to theirs.
    Candidate inPhoto = *best;
    const cv::Point2f half(0.5f, 0.5f);
    for (cv::Point2f& corner : inPhoto.corners)
        corner = (corner + half) / static_cast<float>(shrink) - half;
    const cv::Mat photoBright = shrink < 1.0 ? brightestChannel(photo) : bright;
    corners = refined(photoBright, inPhoto, layout);
    if (lenses)
        corners = sidesThroughLenses(photoBright, corners, display, layout.frame, *lenses);
    return true;
}

} // namespace veltrane

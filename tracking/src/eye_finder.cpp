#include "veltrane/tracking/eye_finder.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace veltrane {

const char* const DefaultCascades = "/usr/share/opencv4/haarcascades";

namespace {

// Faces are searched at this width and up: a face 1.5 m away in a 640 pixels
// wide frame of a 60 degree camera.
constexpr int SmallestFace = 40;
// A face's upper part is looked at this wide for its eyes: the eye cascade's
// 20 pixel eyes in a face 1 m away, and a fraction of a pixel in the frame.
constexpr int EyeSearchWidth = 150;
// Frames a followed face is looked for near where it was, a second of a
// webcam's, before the whole frame is searched again.
constexpr int FramesBetweenSearches = 30;

cv::Rect largest(const std::vector<cv::Rect>& found)
{
    return *std::max_element(found.begin(), found.end(),
                             [](const cv::Rect& a, const cv::Rect& b) { return a.area() < b.area(); });
}

// The iris's centre in an eye's box of the face's image: the dark middle,
// its weighted centroid about the darkest point once smoothed.
cv::Point2d irisCentre(const cv::Mat& face, cv::Rect box)
{
    const cv::Rect inner(box.x + box.width / 5, box.y + box.height / 4, box.width * 3 / 5, box.height / 2);
    cv::Mat smooth;
    cv::GaussianBlur(face(inner), smooth, cv::Size(), std::max(1.0, box.width / 16.0));
    double darkest = 0.0;
    double brightest = 0.0;
    cv::Point darkestAt;
    cv::minMaxLoc(smooth, &darkest, &brightest, &darkestAt);
    const double threshold = darkest + 0.4 * (brightest - darkest);
    const double radius = box.width / 6.0;
    double sum = 0.0;
    cv::Point2d weighted(0.0, 0.0);
    for (int y = 0; y < smooth.rows; ++y)
        for (int x = 0; x < smooth.cols; ++x) {
            if (std::hypot(x - darkestAt.x, y - darkestAt.y) > radius)
                continue;
            const double weight = std::max(0.0, threshold - smooth.at<unsigned char>(y, x));
            sum += weight;
            weighted += weight * cv::Point2d(x, y);
        }
    const cv::Point2d centre = sum > 0.0 ? weighted / sum : cv::Point2d(darkestAt);
    return centre + cv::Point2d(inner.x, inner.y);
}

} // namespace

bool EyeFinder::load(const std::string& directory)
{
    for (auto [cascade, file] : {std::pair{&faces_, "haarcascade_frontalface_default.xml"},
                                 std::pair{&eyes_, "haarcascade_eye.xml"}}) {
        const std::string path = directory + "/" + file;
        bool loaded = false;
        try {
            loaded = cascade->load(path);
        } catch (const cv::Exception&) {
        }
        if (!loaded) {
            problem_ = "the face detector's cascade " + path + " cannot be read (Debian's opencv-data has it)";
            return false;
        }
    }
    return true;
}

std::optional<EyePair> EyeFinder::find(const cv::Mat& frame)
{
    try {
        return searched(frame);
    } catch (const cv::Exception&) { // a frame OpenCV cannot take: no face in it
        forget();
        return std::nullopt;
    }
}

std::optional<EyePair> EyeFinder::searched(const cv::Mat& frame)
{
    if (frame.empty() || frame.depth() != CV_8U || (frame.channels() != 1 && frame.channels() != 3) ||
        faces_.empty() || eyes_.empty())
        return std::nullopt;
    cv::Mat grey;
    if (frame.channels() == 3)
        cv::cvtColor(frame, grey, cv::COLOR_BGR2GRAY);
    else
        grey = frame;
    const cv::Rect whole(0, 0, grey.cols, grey.rows);
    // Another size of frame (a camera that changed its mode), or a second
    // gone by: the whole frame searched, so that a nearer face that came in
    // is the one followed.
    if (grey.size() != lastFrame_ || ++sinceSearch_ >= FramesBetweenSearches)
        forget();
    lastFrame_ = grey.size();
    if (lastFace_.empty())
        sinceSearch_ = 0;
    if (!lastFace_.empty()) { // near the last face, at about its size: a fraction of a search
        const cv::Rect near = cv::Rect(lastFace_.x - lastFace_.width / 2, lastFace_.y - lastFace_.height / 2,
                                       lastFace_.width * 2, lastFace_.height * 2) &
                              whole;
        const int width = lastFace_.width;
        if (std::optional<EyePair> eyes = findIn(grey, near, cvRound(width / 1.2), cvRound(width * 1.2)))
            return eyes;
    }
    return findIn(grey, whole, SmallestFace, grey.cols);
}

std::optional<EyePair> EyeFinder::findIn(const cv::Mat& grey, cv::Rect area, int smallest, int largest)
{
    // Faces are searched in a half-size image: the cascade's 24 pixels are
    // enough to find one, and the eyes are then looked for at full size.
    constexpr double Half = 0.5;
    lastFace_ = cv::Rect();
    if (area.width < smallest || area.height < smallest || smallest > largest)
        return std::nullopt;
    cv::Mat small;
    std::vector<cv::Rect> found;
    try {
        cv::resize(grey(area), small, cv::Size(), Half, Half, cv::INTER_AREA);
        const int least = cvRound(smallest * Half);
        const int most = cvRound(largest * Half);
        faces_.detectMultiScale(small, found, 1.1, 3, 0, cv::Size(least, least), cv::Size(most, most));
    } catch (const cv::Exception&) {
        found.clear();
    }
    // The nearest face is the largest; if its eyes are not seen, the next.
    std::sort(found.begin(), found.end(), [](const cv::Rect& a, const cv::Rect& b) { return a.area() > b.area(); });
    for (const cv::Rect& face : found) {
        const cv::Rect inFrame = cv::Rect(cvRound(face.x / Half), cvRound(face.y / Half), cvRound(face.width / Half),
                                          cvRound(face.height / Half)) + area.tl();
        if (std::optional<EyePair> eyes = eyesOf(grey, inFrame & cv::Rect(0, 0, grey.cols, grey.rows))) {
            lastFace_ = inFrame;
            return eyes;
        }
    }
    return std::nullopt;
}

std::optional<EyePair> EyeFinder::eyesOf(const cv::Mat& grey, cv::Rect face)
{
    // The eyes lie in the face's upper part, one in each half.
    const cv::Rect upper(face.x, face.y + face.height / 5, face.width, face.height * 2 / 5);
    if (upper.width < SmallestFace / 2 || upper.height < SmallestFace / 5)
        return std::nullopt; // a face cut by the frame's edge
    const double scale = static_cast<double>(EyeSearchWidth) / upper.width;
    cv::Mat region;
    cv::resize(grey(upper), region, cv::Size(), scale, scale, cv::INTER_CUBIC);
    cv::equalizeHist(region, region);
    std::optional<cv::Point2d> centres[2];
    for (int half = 0; half < 2; ++half) {
        const cv::Rect side(half * region.cols / 2, 0, region.cols / 2, region.rows);
        std::vector<cv::Rect> found;
        try {
            eyes_.detectMultiScale(region(side), found, 1.2, 3, 0, cv::Size(20, 20), cv::Size(56, 56));
        } catch (const cv::Exception&) {
            found.clear();
        }
        if (found.empty())
            return std::nullopt;
        const cv::Rect eye = largest(found) + side.tl();
        centres[half] = irisCentre(region, eye);
    }
    const auto inFrame = [&](cv::Point2d point) { return point / scale + cv::Point2d(upper.x, upper.y); };
    return EyePair{inFrame(*centres[0]), inFrame(*centres[1])};
}

} // namespace veltrane

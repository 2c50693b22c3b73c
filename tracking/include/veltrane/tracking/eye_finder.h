// The eyes of the nearest face in a camera's frame, found with OpenCV's
// cascades of Haar features (opencv-data's frontal face and eye cascades):
// the face first, then each eye in its own half of the face's upper part,
// then each eye's centre, the dark of the iris, to a fraction of a pixel.
// Once found, a face is looked for near where it was, at about its size,
// before the whole frame is searched again; the whole frame is searched
// again every second too, for a nearer face come in.
#pragma once

#include "veltrane/tracking/webcam.h"

#include <opencv2/objdetect.hpp>

#include <optional>
#include <string>

namespace veltrane {

// Where Debian's opencv-data puts the cascades.
extern const char* const DefaultCascades;

class EyeFinder {
public:
    // False, problem() saying why in one line, when the cascades cannot be read.
    bool load(const std::string& directory = DefaultCascades);
    const std::string& problem() const { return problem_; }

    // The eyes of the largest face (the nearest) in frame (8-bit, 1 or 3
    // channels); none when no face with two eyes is seen.
    std::optional<EyePair> find(const cv::Mat& frame);

    // The face found last, in the frame's pixels (empty when none).
    cv::Rect lastFace() const { return lastFace_; }
    // The next frame searched whole.
    void forget() { lastFace_ = cv::Rect(); }

private:
    std::optional<EyePair> searched(const cv::Mat& frame);
    std::optional<EyePair> findIn(const cv::Mat& grey, cv::Rect area, int smallest, int largest);
    std::optional<EyePair> eyesOf(const cv::Mat& grey, cv::Rect face);

    cv::CascadeClassifier faces_;
    cv::CascadeClassifier eyes_;
    cv::Rect lastFace_;
    cv::Size lastFrame_;
    int sinceSearch_ = 0; // frames since the whole frame was searched
    std::string problem_;
};

} // namespace veltrane

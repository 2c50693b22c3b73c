#include "screen_in_photo.h"

#include <opencv2/imgproc.hpp>

namespace veltrane {

void placeScreen(const cv::Mat& screen, const cv::Matx33d& toPhoto, cv::Mat& photo)
{
    const cv::Mat covered(screen.size(), CV_8U, cv::Scalar(255));
    cv::Mat warped;
    cv::Mat mask;
    cv::warpPerspective(screen, warped, cv::Mat(toPhoto), photo.size(), cv::INTER_AREA);
    cv::warpPerspective(covered, mask, cv::Mat(toPhoto), photo.size(), cv::INTER_NEAREST);
    warped.copyTo(photo, mask);
}

} // namespace veltrane

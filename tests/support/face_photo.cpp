#include "support/face_photo.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

namespace veltrane {

namespace {

// The head and shoulders cut out of the photograph, about 290 mm wide on
// the virtual webcam's head, so that two heads side by side are both seen.
const cv::Rect HeadAndShoulders(125, 0, 200, 270);

FacePhoto loadAstronaut()
{
    const cv::Mat photo = cv::imread(VELTRANE_FACE_PHOTO);
    EXPECT_FALSE(photo.empty()) << VELTRANE_FACE_PHOTO << " cannot be read: scripts/install-deps fetches it";
    EXPECT_EQ(photo.size(), cv::Size(512, 512)) << "not scikit-image's astronaut";
    if (photo.size() != cv::Size(512, 512))
        return FacePhoto{};
    // The irises' middles, read off the photograph magnified 20 times.
    const cv::Point2d corner = HeadAndShoulders.tl();
    return FacePhoto{photo(HeadAndShoulders).clone(),
                     EyePair{cv::Point2d(203.25, 101.0) - corner, cv::Point2d(246.5, 103.5) - corner}};
}

} // namespace

const FacePhoto& astronautPhoto()
{
    static const FacePhoto face = loadAstronaut();
    return face;
}

} // namespace veltrane

#include "support/face_photo.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

namespace veltrane {

const FacePhoto& astronautPhoto()
{
    // The irises' middles, read off the photograph magnified 20 times.
    static const FacePhoto face{cv::imread(VELTRANE_FACE_PHOTO), EyePair{{203.25, 101.0}, {246.5, 103.5}}};
    EXPECT_FALSE(face.image.empty()) << VELTRANE_FACE_PHOTO << " cannot be read: scripts/install-deps fetches it";
    EXPECT_EQ(face.image.size(), cv::Size(512, 512)) << "not scikit-image's astronaut";
    return face;
}

} // namespace veltrane

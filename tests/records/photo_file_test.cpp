// A phone's photo stored turned, with the EXIF orientation that says so, is
// read upright, as OpenCV's own reader turns it for every orientation; a
// photo without the tag, or with one that cannot be read, stays as stored.
#include "veltrane/records/photo_file.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

// A JPEG of image with an EXIF block holding only the orientation, in either
// byte order.
std::vector<unsigned char> taggedJpeg(const cv::Mat& image, int orientation, bool little)
{
    std::vector<unsigned char> bytes;
    cv::imencode(".jpg", image, bytes, {cv::IMWRITE_JPEG_QUALITY, 100});
    auto put16 = [&](std::vector<unsigned char>& to, int v) {
        to.push_back(static_cast<unsigned char>(little ? v & 0xff : v >> 8));
        to.push_back(static_cast<unsigned char>(little ? v >> 8 : v & 0xff));
    };
    std::vector<unsigned char> tiff = little ? std::vector<unsigned char>{'I', 'I', 42, 0, 8, 0, 0, 0}
                                             : std::vector<unsigned char>{'M', 'M', 0, 42, 0, 0, 0, 8};
    put16(tiff, 1);                           // one entry
    put16(tiff, 0x0112), put16(tiff, 3);      // the orientation, a SHORT
    little ? (put16(tiff, 1), put16(tiff, 0)) // a count of one
           : (put16(tiff, 0), put16(tiff, 1));
    put16(tiff, orientation), put16(tiff, 0);
    tiff.insert(tiff.end(), 4, 0); // no next IFD
    std::vector<unsigned char> app1 = {0xff, 0xe1};
    const int length = static_cast<int>(2 + 6 + tiff.size());
    app1.push_back(static_cast<unsigned char>(length >> 8));
    app1.push_back(static_cast<unsigned char>(length & 0xff));
    app1.insert(app1.end(), {'E', 'x', 'i', 'f', 0, 0});
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    bytes.insert(bytes.begin() + 2, app1.begin(), app1.end());
    return bytes;
}

TEST(PhotoFile, EveryOrientationIsReadAsOpenCvTurnsIt)
{
    cv::Mat image(24, 40, CV_8UC3);
    for (int y = 0; y < image.rows; ++y)
        for (int x = 0; x < image.cols; ++x)
            image.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<unsigned char>(6 * x), static_cast<unsigned char>(10 * y), 128);
    const std::string file = (fs::temp_directory_path() / ("veltrane-photo-" + std::to_string(::getpid()) + ".jpg")).string();
    for (const bool little : {true, false})
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const std::vector<unsigned char> bytes = taggedJpeg(image, orientation, little);
            EXPECT_EQ(exifOrientation(bytes), orientation);
            std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
            std::string problem;
            const cv::Mat upright = loadPhotoUpright(file, problem);
            const cv::Mat expected = cv::imdecode(bytes, cv::IMREAD_COLOR); // OpenCV applies the tag
            ASSERT_EQ(upright.size(), expected.size()) << "orientation " << orientation << ": " << problem;
            EXPECT_EQ(cv::norm(upright, expected, cv::NORM_INF), 0) << "orientation " << orientation;
            EXPECT_EQ(upright.size(), orientation <= 4 ? cv::Size(40, 24) : cv::Size(24, 40));
        }
    fs::remove(file);
    std::vector<unsigned char> plain;
    cv::imencode(".jpg", image, plain);
    EXPECT_EQ(exifOrientation(plain), 1);
    std::vector<unsigned char> odd = taggedJpeg(image, 9, true); // no orientation there is
    EXPECT_EQ(exifOrientation(odd), 1);
    std::vector<unsigned char> cut(odd.begin(), odd.begin() + 20); // the block cut short
    EXPECT_EQ(exifOrientation(cut), 1);
}

} // namespace

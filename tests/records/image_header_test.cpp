// The size a JPEG or PNG file declares, read from its first bytes.
#include "image_header.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <vector>

using namespace veltrane;

namespace {

ImageHeader headerOf(const std::vector<unsigned char>& bytes)
{
    return readImageHeader(bytes.data(), bytes.size());
}

std::vector<unsigned char> encoded(const char* extension, const std::vector<int>& parameters = {})
{
    std::vector<unsigned char> bytes;
    cv::imencode(extension, cv::Mat(37, 53, CV_8UC3, cv::Scalar(10, 20, 30)), bytes, parameters);
    return bytes;
}

// A JPEG that is nothing but a header: start of image, an APP0 segment, and
// a baseline frame header declaring the given size.
std::vector<unsigned char> jpegHeader(int width, int height)
{
    return {0xff, 0xd8, 0xff, 0xe0, 0x00, 0x04, 'J', 'F', 0xff, 0xff, 0xc0, 0x00, 0x11, 0x08,
            static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height),
            static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width), 0x03};
}

TEST(ImageHeader, SizesOfEncodedImages)
{
    for (const auto& bytes : {encoded(".jpg"), encoded(".jpg", {cv::IMWRITE_JPEG_PROGRESSIVE, 1}), encoded(".png")}) {
        const ImageHeader header = headerOf(bytes);
        EXPECT_NE(header.kind, ImageKind::Unknown);
        ASSERT_TRUE(header.sized);
        EXPECT_EQ(header.width, 53);
        EXPECT_EQ(header.height, 37);
    }
    EXPECT_EQ(headerOf(encoded(".png")).kind, ImageKind::Png);
    EXPECT_EQ(headerOf(encoded(".jpg")).kind, ImageKind::Jpeg);
}

TEST(ImageHeader, AHeaderMayClaimMoreThanTheFileHolds)
{
    const ImageHeader header = headerOf(jpegHeader(30000, 30000));
    ASSERT_TRUE(header.sized); // a fill byte before the frame marker is skipped
    EXPECT_EQ(header.width, 30000);
    EXPECT_EQ(header.height, 30000);
}

TEST(ImageHeader, CutShortOrForeignBytes)
{
    const std::vector<unsigned char> jpeg = jpegHeader(640, 480);
    for (std::size_t length = 0; length < jpeg.size() - 1; ++length) {
        const ImageHeader header = readImageHeader(jpeg.data(), length);
        EXPECT_FALSE(header.sized) << length << " bytes";
    }
    const std::vector<unsigned char> png = encoded(".png");
    EXPECT_FALSE(readImageHeader(png.data(), 20).sized);
    EXPECT_EQ(headerOf({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}).kind, ImageKind::Unknown);
    EXPECT_EQ(headerOf({0xff, 0xd8, 0xff, 0xd9}).sized, false); // ends before a frame
    EXPECT_EQ(headerOf({0xff, 0xd8, 0xff, 0xe0, 0x00, 0x01}).sized, false); // a length too short to be one
}

// A JPEG cut short decodes anyway (grey where its data is missing); its end
// marker is what tells.
TEST(ImageHeader, AJpegCutShortIsTold)
{
    cv::Mat noise(240, 320, CV_8UC3);
    cv::randu(noise, 0, 256);
    for (const std::vector<int>& parameters : {std::vector<int>{}, {cv::IMWRITE_JPEG_PROGRESSIVE, 1},
                                               {cv::IMWRITE_JPEG_RST_INTERVAL, 4}}) {
        std::vector<unsigned char> bytes;
        cv::imencode(".jpg", noise, bytes, parameters);
        EXPECT_TRUE(jpegReachesItsEnd(bytes.data(), bytes.size()));
        std::vector<unsigned char> trailed = bytes; // data after the image, as some cameras write
        trailed.insert(trailed.end(), {0x00, 0xff, 0xda, 0x12});
        EXPECT_TRUE(jpegReachesItsEnd(trailed.data(), trailed.size()));
        for (const std::size_t kept : {std::size_t{3000}, bytes.size() / 2, bytes.size() - 2})
            EXPECT_FALSE(jpegReachesItsEnd(bytes.data(), kept)) << kept << " of " << bytes.size();
    }
}

} // namespace

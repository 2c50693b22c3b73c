// JPEG files read as views: whole ones exactly as OpenCV decodes them,
// damaged ones (data cut out, cut short with an end added back, a header that
// claims far more than the file holds) refused, never shown with grey.
#include "jpeg_decoding.h"
#include "veltrane/records/view_files.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace veltrane;

namespace fs = std::filesystem;

namespace {

// A photo's mix of smooth and busy: a gradient with noise over it, so that
// the data holds codes of many lengths.
cv::Mat noise(int rows, int cols, int type = CV_8UC3)
{
    cv::Mat image(rows, cols, type);
    cv::randu(image, 0, 64);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols * image.channels(); ++x)
            image.ptr(y)[x] = static_cast<unsigned char>(image.ptr(y)[x] + (x + 3 * y) % 192);
    return image;
}

std::vector<unsigned char> jpeg(const cv::Mat& image, const std::vector<int>& parameters = {})
{
    std::vector<unsigned char> bytes;
    cv::imencode(".jpg", image, bytes, parameters);
    return bytes;
}

// Where the entropy-coded data of the first scan begins.
std::size_t scanData(const std::vector<unsigned char>& bytes)
{
    for (std::size_t at = 2; at + 3 < bytes.size(); ++at)
        if (bytes[at] == 0xff && bytes[at + 1] == 0xda)
            return at + 2 + (bytes[at + 2] << 8 | bytes[at + 3]);
    return 0;
}

class JpegViews : public ::testing::Test {
protected:
    void TearDown() override { fs::remove(file); }

    cv::Mat load(const std::vector<unsigned char>& bytes)
    {
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return loadViewImage(file, problem);
    }

    std::string file = (fs::temp_directory_path() / ("veltrane-jpeg-" + std::to_string(::getpid()) + ".jpg")).string();
    std::string problem;
};

TEST(JpegDecoding, WholeFilesDecodeAsOpenCvDecodesThem)
{
    const std::vector<std::pair<cv::Mat, std::vector<int>>> files = {
        {noise(240, 320), {}},
        {noise(17, 9), {cv::IMWRITE_JPEG_QUALITY, 100}},
        {noise(120, 160), {cv::IMWRITE_JPEG_PROGRESSIVE, 1}},
        {noise(120, 160), {cv::IMWRITE_JPEG_RST_INTERVAL, 3}},
        {noise(64, 48, CV_8UC1), {}}, // grey: three equal channels
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::vector<unsigned char> bytes = jpeg(files[i].first, files[i].second);
        cv::Mat decoded;
        std::string problem;
        ASSERT_TRUE(decodeJpeg(bytes, decoded, problem)) << "file " << i << ": " << problem;
        const cv::Mat expected = cv::imdecode(bytes, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
        ASSERT_EQ(decoded.type(), CV_8UC3);
        ASSERT_EQ(decoded.size(), expected.size()) << "file " << i;
        EXPECT_EQ(cv::norm(decoded, expected, cv::NORM_INF), 0) << "file " << i;
    }
}

TEST_F(JpegViews, DamagedDataIsRefused)
{
    const std::vector<unsigned char> whole = jpeg(noise(240, 320));
    ASSERT_FALSE(load(whole).empty()) << problem;

    std::vector<unsigned char> padded = whole; // stray bytes before the end, as some tools write: no damage
    padded.insert(padded.end() - 2, {0x00, 0x00, 0x00});
    const cv::Mat shown = load(padded);
    ASSERT_FALSE(shown.empty()) << problem;
    EXPECT_EQ(cv::norm(shown, cv::imdecode(whole, cv::IMREAD_COLOR), cv::NORM_INF), 0);

    std::vector<unsigned char> holed = whole; // a hole cut out of the middle of the data
    const std::size_t middle = (scanData(whole) + whole.size()) / 2;
    holed.erase(holed.begin() + static_cast<long>(middle), holed.begin() + static_cast<long>(middle) + 2000);
    EXPECT_TRUE(load(holed).empty());
    EXPECT_NE(problem.find("damaged"), std::string::npos) << problem;

    std::vector<unsigned char> cut(whole.begin(), whole.begin() + static_cast<long>(middle)); // its end added back
    cut.insert(cut.end(), {0xff, 0xd9});
    EXPECT_TRUE(load(cut).empty());
    EXPECT_NE(problem.find("damaged"), std::string::npos) << problem;
}

TEST_F(JpegViews, AHeaderThatClaimsMoreThanTheFileHoldsIsRefusedBeforeDecoding)
{
    std::vector<unsigned char> bytes = jpeg(noise(16, 16));
    for (std::size_t at = 2; at + 8 < bytes.size(); ++at)
        if (bytes[at] == 0xff && bytes[at + 1] == 0xc0) { // the frame header: height, then width
            bytes[at + 5] = 16000 >> 8, bytes[at + 6] = 16000 & 0xff;
            bytes[at + 7] = 16000 >> 8, bytes[at + 8] = 16000 & 0xff;
            break;
        }
    ASSERT_LT(bytes.size(), 2000u);
    EXPECT_TRUE(load(bytes).empty());
    EXPECT_NE(problem.find("cannot hold the 16000 x 16000 pixels"), std::string::npos) << problem;
}

} // namespace

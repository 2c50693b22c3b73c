#include "engine/view_files.h"

#include "engine/fast_interlace.h"

#include <opencv2/imgcodecs.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

cv::Mat decode(const std::vector<unsigned char>& bytes)
{
    try {
        return cv::imdecode(bytes, cv::IMREAD_COLOR);
    } catch (const cv::Exception&) {
        return cv::Mat(); // a file the decoder chokes on is a file that does not load
    }
}

bool readFile(const std::string& name, std::vector<unsigned char>& bytes)
{
    if (!viewFileExists(name))
        return false; // the usual end of a sequence
    std::ifstream file(name, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return file.good() || file.eof();
}

} // namespace

std::string viewFileName(int index, const std::string& extension)
{
    return "pic/blender_00000_" + std::to_string(index) + extension;
}

bool viewFileExists(const std::string& name)
{
    std::error_code error;
    return std::filesystem::is_regular_file(name, error);
}

cv::Mat loadViewImage(const std::string& name)
{
    std::vector<unsigned char> bytes;
    if (!readFile(name, bytes) || bytes.empty())
        return cv::Mat();
    cv::Mat image = decode(bytes);
    if (image.empty() || image.type() != CV_8UC3)
        return cv::Mat();
    return image.isContinuous() ? image : image.clone();
}

bool loadViewInto(const std::string& name, cv::Mat& target, cv::Mat& decoded)
{
    decoded = loadViewImage(name);
    if (decoded.empty() || decoded.size() != target.size())
        return false;
    crossSubpixelOrder(decoded.data, target.data, decoded.total() * 3);
    decoded.release(); // its memory goes straight back to the next decode
    return true;
}

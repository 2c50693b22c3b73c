#include "support/view_folder.h"

#include <opencv2/imgcodecs.hpp>

#include <fstream>
#include <random>
#include <stdexcept>

namespace veltrane {

namespace fs = std::filesystem;

ViewFolder::ViewFolder() : previous_(fs::current_path())
{
    std::random_device device;
    root_ = fs::temp_directory_path() / ("veltrane-views-" + std::to_string(device()));
    fs::create_directories(root_ / "pic");
    fs::current_path(root_);
}

ViewFolder::~ViewFolder()
{
    std::error_code error;
    fs::current_path(previous_, error);
    fs::remove_all(root_, error);
}

void ViewFolder::write(int index, const std::string& extension, const cv::Mat& image) const
{
    const std::string name = "pic/blender_00000_" + std::to_string(index) + extension;
    if (!cv::imwrite(name, image))
        throw std::runtime_error("cannot write " + name);
}

void ViewFolder::writeBytes(int index, const std::string& extension, const std::string& bytes) const
{
    std::ofstream("pic/blender_00000_" + std::to_string(index) + extension, std::ios::binary) << bytes;
}

void ViewFolder::remove(int index, const std::string& extension) const
{
    fs::remove("pic/blender_00000_" + std::to_string(index) + extension);
}

cv::Mat patternView(int index, int width, int height)
{
    cv::Mat image(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<unsigned char>(40 * index + x),
                                                  static_cast<unsigned char>(255 - 30 * index - y),
                                                  static_cast<unsigned char>(x * y + 17 * index));
    return image;
}

} // namespace veltrane

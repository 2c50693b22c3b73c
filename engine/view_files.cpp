#include "engine/view_files.h"

#include <opencv2/imgcodecs.hpp>

#include <filesystem>

std::string viewFileName(int index, const std::string& extension)
{
    return "pic/blender_00000_" + std::to_string(index) + extension;
}

cv::Mat loadViewImage(const std::string& name)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(name, error))
        return cv::Mat(); // the usual end of a sequence, not worth a decoder warning
    cv::Mat image;
    try {
        image = cv::imread(name, cv::IMREAD_COLOR);
    } catch (const cv::Exception&) {
        return cv::Mat(); // a file the decoder chokes on is a file that does not load
    }
    if (image.empty() || image.type() != CV_8UC3)
        return cv::Mat();
    return image.isContinuous() ? image : image.clone();
}

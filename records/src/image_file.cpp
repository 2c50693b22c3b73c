#include "veltrane/records/image_file.h"

#include "veltrane/records/value_text.h"

#include <opencv2/imgcodecs.hpp>

#include <cctype>
#include <filesystem>
#include <vector>

namespace veltrane {

bool pngName(const std::string& name)
{
    const std::string extension = std::filesystem::path(name).extension().string();
    return extension.size() == 4 && extension[0] == '.' && std::tolower(static_cast<unsigned char>(extension[1])) == 'p' &&
           std::tolower(static_cast<unsigned char>(extension[2])) == 'n' &&
           std::tolower(static_cast<unsigned char>(extension[3])) == 'g';
}

bool writePngFile(const std::string& name, const cv::Mat& image, Replace replace, std::string& message)
{
    if (!pngName(name)) {
        message = printable(name) + " cannot be written: a PNG is written under a name that ends in .png";
        return false;
    }
    std::vector<unsigned char> bytes;
    if (!cv::imencode(".png", image, bytes)) {
        message = printable(name) + " cannot be written: the PNG could not be encoded";
        return false;
    }
    AtomicFile file(name);
    std::string reason;
    if (!file.write(bytes, reason) || !file.commit(replace, reason)) {
        message = printable(name) + " cannot be written: " + reason;
        return false;
    }
    return true;
}

} // namespace veltrane

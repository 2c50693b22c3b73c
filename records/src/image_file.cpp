#include "veltrane/records/image_file.h"

#include "veltrane/records/value_text.h"

#include <opencv2/imgcodecs.hpp>

#include <vector>

namespace veltrane {

bool writePngFile(const std::string& name, const cv::Mat& image, Replace replace, std::string& message)
{
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

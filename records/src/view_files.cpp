#include "veltrane/records/view_files.h"

#include "bounded_file.h"
#include "image_header.h"
#include "jpeg_decoding.h"

#include <opencv2/imgcodecs.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrane {

namespace {

cv::Mat decode(const std::vector<unsigned char>& bytes)
{
    try {
        // As stored: an orientation tag would turn the image away from the size its header gives.
        return cv::imdecode(bytes, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
    } catch (const cv::Exception&) {
        return cv::Mat(); // a file the decoder chokes on is a file that does not load
    }
}

// The whole file, when it is of a size a view can have.
bool readFile(const std::string& name, std::vector<unsigned char>& bytes, std::string& problem)
{
    return readBoundedFile(name, MaxViewFileBytes,
                           "any view of at most " + std::to_string(MaxImageSide) + " x " +
                               std::to_string(MaxImageSide) + " pixels needs",
                           bytes, problem);
}

// Why the declared image cannot be a view; empty when it can be decoded.
// fileBytes: the whole file's size, of which bytes may be the start only.
std::string headerProblem(const std::vector<unsigned char>& bytes, std::uintmax_t fileBytes)
{
    const ImageHeader header = readImageHeader(bytes.data(), bytes.size());
    if (header.kind == ImageKind::Unknown)
        return "it is not a JPEG or PNG image";
    if (!header.sized)
        return "it is damaged: its header gives no image size";
    if (header.width <= 0 || header.height <= 0)
        return "it is damaged: its header gives an image of no pixels";
    if (header.width > MaxImageSide || header.height > MaxImageSide)
        return "it declares " + std::to_string(header.width) + " x " + std::to_string(header.height) +
               " pixels, more than " + std::to_string(MaxImageSide) + " in a direction";
    // Every 8 x 8 block of a Huffman-coded JPEG takes at least a bit of its
    // data: a file too small for that many blocks cannot hold the image it
    // declares.
    const double blocks = std::ceil(header.width / 8.0) * std::ceil(header.height / 8.0);
    if (header.kind == ImageKind::Jpeg && !header.arithmetic && 8.0 * static_cast<double>(fileBytes) < blocks)
        return "it is damaged: " + std::to_string(fileBytes) + " bytes cannot hold the " +
               std::to_string(header.width) + " x " + std::to_string(header.height) + " pixels it declares";
    return "";
}

} // namespace

std::string viewFileName(int index, const std::string& extension)
{
    return "pic/blender_00000_" + std::to_string(index) + extension;
}

bool viewFileExists(const std::string& name)
{
    struct stat status {};
    return ::lstat(name.c_str(), &status) == 0;
}

cv::Mat loadViewImage(const std::string& name, std::string& problem)
{
    problem.clear();
    if (!viewFileExists(name))
        return cv::Mat(); // the usual end of a sequence
    try {
        std::vector<unsigned char> bytes;
        if (!readFile(name, bytes, problem))
            return cv::Mat();
        problem = headerProblem(bytes, bytes.size());
        if (problem.empty() && readImageHeader(bytes.data(), bytes.size()).kind == ImageKind::Jpeg &&
            !jpegReachesItsEnd(bytes.data(), bytes.size()))
            problem = "it is cut short: the JPEG data stops before its end";
        if (!problem.empty())
            return cv::Mat();
        cv::Mat image;
        if (readImageHeader(bytes.data(), bytes.size()).kind == ImageKind::Jpeg) {
            if (!decodeJpeg(bytes, image, problem) && !problem.empty())
                return cv::Mat();
        } else {
            image = decode(bytes);
        }
        if (image.empty() || image.type() != CV_8UC3) {
            problem = "it is damaged: it does not decode";
            return cv::Mat();
        }
        return image.isContinuous() ? image : image.clone();
    } catch (const std::bad_alloc&) {
        problem = "there was not enough memory to decode it";
    } catch (const cv::Exception&) {
        problem = "there was not enough memory to decode it";
    }
    return cv::Mat();
}

bool viewImageSize(const std::string& name, cv::Size& size, std::string& problem)
{
    constexpr std::size_t Prefix = 256 << 10; // room for the metadata before a JPEG's frame header
    std::vector<unsigned char> bytes;
    if (!readFilePrefix(name, Prefix, bytes, problem))
        return false;
    const ImageHeader header = readImageHeader(bytes.data(), bytes.size());
    std::error_code unknown;
    const std::uintmax_t fileBytes = std::filesystem::file_size(name, unknown);
    if (header.sized && !unknown && headerProblem(bytes, fileBytes).empty() && viewFileExists(name)) {
        size = cv::Size(static_cast<int>(header.width), static_cast<int>(header.height));
        return true;
    }
    const cv::Mat image = loadViewImage(name, problem);
    size = image.size();
    return !image.empty();
}

} // namespace veltrane

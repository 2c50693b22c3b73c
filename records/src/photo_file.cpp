#include "veltrane/records/photo_file.h"

#include "veltrane/records/view_files.h"

#include "bounded_file.h"

#include <cstdint>
#include <cstring>

namespace veltrane {

namespace {

// Room for the metadata before a JPEG's image data.
constexpr std::size_t MetadataBytes = 256 << 10;

std::uint32_t read16(const unsigned char* p, bool little)
{
    return little ? p[0] | p[1] << 8 : p[0] << 8 | p[1];
}

std::uint32_t read32(const unsigned char* p, bool little)
{
    return little ? read16(p, true) | read16(p + 2, true) << 16 : read16(p, false) << 16 | read16(p + 2, false);
}

// The orientation tag in an EXIF block (a TIFF header and its first IFD).
int orientationInTiff(const unsigned char* tiff, std::size_t size)
{
    if (size < 8 || !(std::memcmp(tiff, "II*\0", 4) == 0 || std::memcmp(tiff, "MM\0*", 4) == 0))
        return 1;
    const bool little = tiff[0] == 'I';
    const std::uint32_t ifd = read32(tiff + 4, little);
    if (ifd > size - 2)
        return 1;
    const std::uint32_t entries = read16(tiff + ifd, little);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t at = ifd + 2 + 12 * static_cast<std::size_t>(i);
        if (at + 12 > size)
            return 1;
        if (read16(tiff + at, little) == 0x0112 && read16(tiff + at + 2, little) == 3) { // a SHORT
            const std::uint32_t value = read16(tiff + at + 8, little);
            return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}

} // namespace

int exifOrientation(const std::vector<unsigned char>& bytes)
{
    if (bytes.size() < 4 || bytes[0] != 0xff || bytes[1] != 0xd8)
        return 1;
    std::size_t at = 2;
    while (at + 4 <= bytes.size() && bytes[at] == 0xff) {
        const unsigned char marker = bytes[at + 1];
        if (marker == 0xda || marker == 0xd9) // the image data: no metadata past it
            return 1;
        const std::size_t length = bytes[at + 2] << 8 | bytes[at + 3];
        if (length < 2 || at + 2 + length > bytes.size())
            return 1;
        const unsigned char* segment = bytes.data() + at + 4;
        if (marker == 0xe1 && length >= 8 && std::memcmp(segment, "Exif\0\0", 6) == 0)
            return orientationInTiff(segment + 6, length - 8);
        at += 2 + length;
    }
    return 1;
}

cv::Mat loadPhotoUpright(const std::string& name, std::string& problem)
{
    cv::Mat photo = loadViewImage(name, problem);
    if (photo.empty())
        return photo;
    std::vector<unsigned char> start;
    std::string unread;
    if (!readFilePrefix(name, MetadataBytes, start, unread))
        return photo;
    cv::Mat upright;
    switch (exifOrientation(start)) {
    case 2: cv::flip(photo, upright, 1); break;
    case 3: cv::rotate(photo, upright, cv::ROTATE_180); break;
    case 4: cv::flip(photo, upright, 0); break;
    case 5: cv::transpose(photo, upright); break;
    case 6: cv::rotate(photo, upright, cv::ROTATE_90_CLOCKWISE); break;
    case 7: cv::transpose(photo, upright); cv::rotate(upright, upright, cv::ROTATE_180); break;
    case 8: cv::rotate(photo, upright, cv::ROTATE_90_COUNTERCLOCKWISE); break;
    default: return photo;
    }
    return upright;
}

} // namespace veltrane

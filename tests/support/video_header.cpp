#include "support/video_header.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace veltrane {

bool scaleMatroskaDuration(const std::string& file, double factor)
{
    std::fstream video(file, std::ios::in | std::ios::out | std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(video)), {});
    const std::size_t at = bytes.find("\x44\x89\x88"); // its id, then its size: 8
    if (at == std::string::npos || at + 11 > bytes.size())
        return false;
    std::uint64_t raw = 0;
    for (int i = 0; i < 8; ++i)
        raw = raw << 8 | static_cast<unsigned char>(bytes[at + 3 + i]);
    double duration = 0;
    std::memcpy(&duration, &raw, 8);
    duration *= factor;
    std::memcpy(&raw, &duration, 8);
    char bigEndian[8];
    for (int i = 7; i >= 0; --i, raw >>= 8)
        bigEndian[i] = static_cast<char>(raw & 0xff);
    video.clear();
    video.seekp(static_cast<std::streamoff>(at + 3));
    video.write(bigEndian, 8);
    return static_cast<bool>(video);
}

} // namespace veltrane

// The pixel size that a JPEG or PNG file declares in its header, read before
// anything is decoded: a file of a few hundred bytes can claim an image of
// gigabytes.
#pragma once

#include <cstddef>

namespace veltrane {

enum class ImageKind {
    Jpeg,
    Png,
    Unknown, // neither signature
};

struct ImageHeader {
    ImageKind kind = ImageKind::Unknown;
    bool sized = false; // the header declares a size (width and height below)
    long width = 0;
    long height = 0;
    bool arithmetic = false; // a JPEG whose data is arithmetic-coded (a flat block may take under a bit)
};

// Reads the signature and the declared size from the first bytes of a file.
ImageHeader readImageHeader(const unsigned char* bytes, std::size_t count);

// True when the JPEG in bytes goes on to its end-of-image marker: a file cut
// short (a copy that stopped, a download that broke) decodes anyway, with
// grey where its data is missing.
bool jpegReachesItsEnd(const unsigned char* bytes, std::size_t count);

} // namespace veltrane

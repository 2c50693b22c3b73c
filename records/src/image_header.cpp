#include "image_header.h"

#include <cstring>

namespace veltrane {

namespace {

long bigEndian16(const unsigned char* p)
{
    return static_cast<long>(p[0]) << 8 | p[1];
}

long bigEndian32(const unsigned char* p)
{
    return static_cast<long>(p[0]) << 24 | static_cast<long>(p[1]) << 16 | static_cast<long>(p[2]) << 8 | p[3];
}

// Start-of-frame markers: every one but DHT (C4), JPG (C8) and DAC (CC).
bool startOfFrame(unsigned char marker)
{
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

// Markers that stand alone, without a length: TEM and the restart markers.
bool standalone(unsigned char marker)
{
    return marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7);
}

// Walks the segments up to the first frame header.
void readJpegSize(const unsigned char* bytes, std::size_t count, ImageHeader& header)
{
    std::size_t at = 2;
    while (at + 1 < count) {
        if (bytes[at] != 0xff)
            return; // not a marker where one must be
        const unsigned char marker = bytes[at + 1];
        if (marker == 0xff) { // fill byte
            ++at;
            continue;
        }
        if (standalone(marker)) {
            at += 2;
            continue;
        }
        if (marker == 0xd9 || marker == 0xda || at + 4 > count)
            return; // end of image or of the headers, or cut short, before a frame
        const std::size_t length = static_cast<std::size_t>(bigEndian16(bytes + at + 2));
        if (startOfFrame(marker)) {
            if (length >= 7 && at + 9 <= count) {
                header.height = bigEndian16(bytes + at + 5);
                header.width = bigEndian16(bytes + at + 7);
                header.sized = true;
                header.arithmetic = marker >= 0xc9 && marker <= 0xcf;
            }
            return;
        }
        if (length < 2)
            return;
        at += 2 + length;
    }
}

// Where the entropy-coded data that starts at at ends: at the first marker
// that is not a stuffed byte (FF 00), a restart marker or fill.
std::size_t pastEntropyData(const unsigned char* bytes, std::size_t count, std::size_t at)
{
    for (; at + 1 < count; ++at) {
        if (bytes[at] != 0xff)
            continue;
        const unsigned char next = bytes[at + 1];
        if (next != 0x00 && next != 0xff && !(next >= 0xd0 && next <= 0xd7))
            return at;
    }
    return count;
}

void readPngSize(const unsigned char* bytes, std::size_t count, ImageHeader& header)
{
    // Signature (8), then the IHDR chunk: length (4), type (4), width (4), height (4).
    if (count < 24 || std::memcmp(bytes + 12, "IHDR", 4) != 0)
        return;
    header.width = bigEndian32(bytes + 16);
    header.height = bigEndian32(bytes + 20);
    header.sized = true;
}

} // namespace

bool jpegReachesItsEnd(const unsigned char* bytes, std::size_t count)
{
    std::size_t at = 2;
    while (at + 1 < count) {
        if (bytes[at] != 0xff)
            return false;
        const unsigned char marker = bytes[at + 1];
        if (marker == 0xd9)
            return true;
        if (marker == 0xff || standalone(marker)) {
            at += marker == 0xff ? 1 : 2;
            continue;
        }
        if (at + 4 > count)
            return false;
        const std::size_t length = static_cast<std::size_t>(bigEndian16(bytes + at + 2));
        if (length < 2)
            return false;
        at += 2 + length;
        if (marker == 0xda) // a scan: its coded data follows the header
            at = pastEntropyData(bytes, count, at);
    }
    return false;
}

ImageHeader readImageHeader(const unsigned char* bytes, std::size_t count)
{
    static const unsigned char PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    ImageHeader header;
    if (count >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff) {
        header.kind = ImageKind::Jpeg;
        readJpegSize(bytes, count, header);
    } else if (count >= 8 && std::memcmp(bytes, PngSignature, 8) == 0) {
        header.kind = ImageKind::Png;
        readPngSize(bytes, count, header);
    }
    return header;
}

} // namespace veltrane

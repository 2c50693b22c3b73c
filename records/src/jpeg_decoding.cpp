#include "jpeg_decoding.h"

#include <opencv2/imgcodecs.hpp>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

namespace veltrane {

namespace {

struct ErrorManager {
    jpeg_error_mgr standard;
    std::jmp_buf failed;
    int warnings = 0;
};

void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->failed, 1);
}

// Warnings of image data that is lost (corrupt, or stopping early); not of
// harmless oddities (stray bytes before a marker, an unknown JFIF revision).
void onMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    switch (info->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        ++reinterpret_cast<ErrorManager*>(info->err)->warnings;
        break;
    default:
        break;
    }
}

// The decoding itself, apart so that nothing with a destructor lives in the
// frame that longjmp leaves.
bool decodeInto(jpeg_decompress_struct& info, ErrorManager& errors, const std::vector<unsigned char>& bytes,
                cv::Mat& image)
{
    if (setjmp(errors.failed) != 0)
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    // Four components (inks) are checked here and turned into colours by
    // OpenCV, as it does; the rest come blue first, as OpenCV asks for them.
    info.out_color_space = info.num_components == 4 ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    image.create(static_cast<int>(info.output_height), static_cast<int>(info.output_width),
                 CV_8UC(info.output_components));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.ptr(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

bool decodeJpeg(const std::vector<unsigned char>& bytes, cv::Mat& image, std::string& problem)
{
    problem.clear();
    jpeg_decompress_struct info {};
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = onError;
    errors.standard.emit_message = onMessage;
    cv::Mat decoded;
    bool read = false;
    try {
        read = decodeInto(info, errors, bytes, decoded);
    } catch (...) { // memory for the image
        jpeg_destroy_decompress(&info);
        throw;
    }
    jpeg_destroy_decompress(&info);
    if (!read)
        return false;
    if (errors.warnings > 0) {
        problem = "it is damaged: its JPEG data is corrupt or incomplete";
        return false;
    }
    image = decoded.channels() == 4 ? cv::imdecode(bytes, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION) : decoded;
    return !image.empty();
}

} // namespace veltrane

// Interlaces a left and a right image for a slanted-lens display, with the
// numbers the calibrator printed:
//
//   interlace-two-images "param: -x 6 -y 1152 -pitch 8.0000 -mirror" left.png right.png out.png [--reference]
//
// The left image shows through the first half of the views under each lens,
// the right image through the rest. --reference uses the reference engine:
// the same bytes, slowly.
#include <veltrane/engine/interlace.h>
#include <veltrane/records/parameter_line.h>

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5 && !(argc == 6 && std::string(argv[5]) == "--reference")) {
        std::fprintf(stderr, "usage: interlace-two-images LINE LEFT RIGHT OUT.png [--reference]\n");
        return 2;
    }
    veltrane::Calibration calibration;
    std::string message;
    if (!veltrane::parseParameterLine(argv[1], calibration, message)) {
        std::fprintf(stderr, "interlace-two-images: %s\n", message.c_str());
        return 2;
    }
    const cv::Mat left = cv::imread(argv[2], cv::IMREAD_COLOR);
    const cv::Mat right = cv::imread(argv[3], cv::IMREAD_COLOR);
    if (left.empty() || right.empty() || left.size() != right.size()) {
        std::fprintf(stderr, "interlace-two-images: two readable images of one size are needed\n");
        return 1;
    }
    // As many views as the pitch has subpixels, rounded up to an even count.
    const int views = veltrane::twoViewCount(calibration.pitch);
    cv::Mat output;
    const veltrane::Status status = argc == 6
        ? veltrane::interlaceTwoViewsReference(calibration, views, left, right, output)
        : veltrane::interlaceTwoViews(calibration, views, left, right, output);
    if (status != veltrane::Status::Done || !cv::imwrite(argv[4], output)) {
        std::fprintf(stderr, "interlace-two-images: could not interlace or write %s\n", argv[4]);
        return 1;
    }
    return 0;
}

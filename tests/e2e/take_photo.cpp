// Photographs an image shown on a lens display with the virtual camera, for
// the command-line suites: take-photo SHOWN.png PHOTO.png CAMERA [STORED],
// CAMERA as veltrane-autocal's sim:... keys (without "sim:"), STORED
// "mirrored" or "turned" (half a turn) for a photo stored so.
#include "veltrane/autocal/autocal_options.h"
#include "veltrane/autocal/virtual_camera.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <string>

using namespace veltrane;

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5)
        return 2;
    const cv::Mat shown = cv::imread(argv[1], cv::IMREAD_COLOR);
    VirtualCamera camera;
    std::string message;
    if (shown.empty() || !parseVirtualCamera(argv[3], Calibration{6, 1152, 8.25, true}, camera, message)) {
        std::fprintf(stderr, "take-photo: %s\n", shown.empty() ? "no image to show" : message.c_str());
        return 1;
    }
    cv::Mat photo;
    if (photograph(camera, shown, photo) != Status::Done)
        return 1;
    const std::string stored = argc == 5 ? argv[4] : "";
    if (stored == "mirrored")
        cv::flip(photo.clone(), photo, 1);
    else if (stored == "turned")
        cv::rotate(photo.clone(), photo, cv::ROTATE_180);
    else if (!stored.empty())
        return 2;
    return cv::imwrite(argv[2], photo) ? 0 : 1;
}

// Prints what a video holds as "WIDTHxHEIGHT FRAMES", every frame decoded,
// for the command-line suites.
#include <opencv2/videoio.hpp>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    cv::VideoCapture video(argv[1], cv::CAP_FFMPEG);
    cv::Mat frame;
    int frames = 0;
    int width = 0;
    int height = 0;
    while (video.read(frame)) {
        width = frame.cols;
        height = frame.rows;
        ++frames;
    }
    std::printf("%dx%d %d\n", width, height, frames);
    return frames > 0 ? 0 : 1;
}

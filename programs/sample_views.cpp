// Writes a synthetic multi-view sequence for trying the view modes and the
// interlacer: a small scene whose objects shift with the view index by
// parallax (near objects one way, far ones the other), each view carrying its
// number; with --frames, an animation in which the near ball rolls along.
//
//   veltrane-sample-views [--dir=.] [--views=8] [--frames=1] [-w=640] [-h=512]
//
// The files are DIR/pic/blender_<frame, 5 digits>_<view>.jpg: frame 0 is
// pic/blender_00000_0.jpg, _1.jpg, ...
#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const char* const Keys = "{help ?  |     |show this help}"
                         "{dir     |.    |folder in which pic/ is written}"
                         "{views   |8    |number of views, 1 to 64}"
                         "{frames  |1    |number of frames, 1 to 100}"
                         "{w width |640  |width of each view}"
                         "{h height|512  |height of each view}";

// Horizontal shift of a layer in view i: layers behind the screen plane
// (depth > 0) move one way, layers in front of it the other.
int parallax(int view, int views, double depth, int width)
{
    const double centred = view - (views - 1) / 2.0;
    return static_cast<int>(centred * depth * width / 160.0);
}

cv::Mat renderView(int view, int views, int frame, int width, int height)
{
    cv::Mat image(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y) // sky to ground
        image.row(y).setTo(cv::Scalar(230 - 150 * y / height, 180 - 60 * y / height, 90 + 40 * y / height));
    const int unit = std::max(1, std::min(width, height) / 16);

    const int far = parallax(view, views, 1.0, width);
    cv::circle(image, {width * 3 / 4 + far, height / 4}, 2 * unit, cv::Scalar(80, 220, 255), cv::FILLED,
               cv::LINE_AA);
    for (int k = -1; k < 6; ++k) { // hills on the horizon
        const cv::Point top(k * width / 4 + far, height / 2);
        cv::ellipse(image, top + cv::Point(0, unit * 2), {width / 6, unit * 3}, 0, 180, 360,
                    cv::Scalar(60, 140, 70), cv::FILLED, cv::LINE_AA);
    }

    const int middle = parallax(view, views, 0.0, width);
    cv::rectangle(image, {width / 2 - 3 * unit + middle, height / 2 - unit},
                  {width / 2 + 3 * unit + middle, height / 2 + 4 * unit}, cv::Scalar(50, 60, 170), cv::FILLED);

    const int near = parallax(view, views, -1.5, width) + frame * unit;
    cv::circle(image, {width / 4 + near, height * 3 / 4}, 2 * unit, cv::Scalar(200, 80, 60), cv::FILLED,
               cv::LINE_AA);
    cv::putText(image, std::to_string(view), {width / 4 + near - unit, height * 3 / 4 + unit},
                cv::FONT_HERSHEY_SIMPLEX, unit / 12.0, cv::Scalar(255, 255, 255), std::max(1, unit / 6),
                cv::LINE_AA);
    return image;
}

// The sample's own file name: pic/blender_FFFFF_V.jpg.
std::string sampleName(int frame, int view)
{
    char stem[40];
    std::snprintf(stem, sizeof stem, "blender_%05d_%d.jpg", frame, view);
    return stem;
}

// Removes views of an earlier, larger sample: the views past this one's
// count in its frames, and whole frames past its last, as far as they run.
// What "disp >" and veltrane-interlace read is then this sample alone.
int removeOlderViews(const std::filesystem::path& folder, int views, int frames)
{
    int removed = 0;
    std::error_code error;
    for (int f = 0;; ++f) {
        int v = f < frames ? views : 0;
        if (!std::filesystem::exists(folder / sampleName(f, v), error))
            break;
        for (; std::filesystem::remove(folder / sampleName(f, v), error); ++v)
            ++removed;
    }
    return removed;
}

} // namespace

int main(int argc, char** argv)
{
    const cv::CommandLineParser parser(argc, argv, Keys);
    if (parser.has("help")) {
        std::printf("Usage: veltrane-sample-views [--dir=.] [--views=8] [--frames=1] [-w=640] [-h=512]\n");
        return 0;
    }
    const std::string dir = parser.get<std::string>("dir");
    const int views = parser.get<int>("views");
    const int frames = parser.get<int>("frames");
    const int width = parser.get<int>("w");
    const int height = parser.get<int>("h");
    if (!parser.check() || views < 1 || views > 64 || frames < 1 || frames > 100 || width < 16 || height < 16 ||
        width > 16384 || height > 16384) {
        std::fprintf(stderr, "veltrane-sample-views: views 1 to 64, frames 1 to 100, width and height 16 to 16384\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(dir) / "pic";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const int removed = removeOlderViews(folder, views, frames);
    for (int f = 0; f < frames; ++f)
        for (int i = 0; i < views; ++i) {
            const std::string name = (folder / sampleName(f, i)).string();
            if (!cv::imwrite(name, renderView(i, views, f, width, height), {cv::IMWRITE_JPEG_QUALITY, 92})) {
                std::fprintf(stderr, "veltrane-sample-views: cannot write %s\n", name.c_str());
                return 1;
            }
        }
    std::printf("wrote %d frames of %d views of %d x %d to %s", frames, views, width, height, folder.string().c_str());
    if (removed > 0)
        std::printf(" (and removed %d views of an earlier, larger sample)", removed);
    std::printf("\n");
    return 0;
}

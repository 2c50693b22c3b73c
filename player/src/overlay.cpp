#include "veltrane/player/overlay.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace veltrane {

std::vector<std::string> overlayLines(const Tuning& tuning, const PlaybackFigures& figures, const ViewerPlace* viewer)
{
    const veltrane::Calibration& c = tuning.calibration;
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, "-x %d -y %d -pitch %.4f%s  phase %.1f  %s%s", c.x, c.y, c.pitch,
                  c.mirror ? " -mirror" : "", c.viewPhase,
                  c.subpixelOrder == veltrane::ChannelOrder::Bgr ? "bgr" : "rgb", tuning.reverse ? "  reversed" : "");
    char rate[32] = "";
    if (figures.fps > 0) // measured once a second has passed
        std::snprintf(rate, sizeof rate, "  %.1f fps", figures.fps);
    char of[24] = "";
    if (figures.frames != UncountedFrames)
        std::snprintf(of, sizeof of, " of %d", figures.frames);
    char playing[160];
    std::snprintf(playing, sizeof playing, "frame %ld (%ld%s)%s  %ld dropped%s", figures.frame, figures.index + 1, of,
                  rate, figures.dropped, figures.paused ? "  paused" : "");
    if (viewer == nullptr)
        return {numbers, playing};
    char place[120];
    std::snprintf(place, sizeof place, "viewer %ld mm right, %ld mm up, %ld mm away", std::lround(viewer->offset),
                  std::lround(viewer->height), std::lround(viewer->distance)); // never "-0"
    return {numbers, playing, place};
}

cv::Mat overlayBox(const std::vector<std::string>& lines, cv::Size frame)
{
    constexpr int Font = cv::FONT_HERSHEY_SIMPLEX;
    constexpr double Scale = 0.5;
    constexpr int LineHeight = 20;
    int width = 0;
    for (const std::string& line : lines) {
        int baseline = 0;
        width = std::max(width, cv::getTextSize(line, Font, Scale, 1, &baseline).width);
    }
    const cv::Size box(std::min(frame.width, width + 16),
                       std::min(frame.height, LineHeight * static_cast<int>(lines.size()) + 10));
    cv::Mat shown(box, CV_8UC3, cv::Scalar(30, 30, 30));
    for (std::size_t i = 0; i < lines.size(); ++i)
        cv::putText(shown, lines[i], cv::Point(8, LineHeight * static_cast<int>(i + 1)), Font, Scale,
                    cv::Scalar(240, 240, 240), 1, cv::LINE_AA);
    return shown;
}

cv::Mat withOverlay(const cv::Mat& frame, const std::vector<std::string>& lines)
{
    cv::Mat shown = frame.clone();
    const cv::Mat box = overlayBox(lines, frame.size());
    box.copyTo(shown(cv::Rect(cv::Point(0, 0), box.size())));
    return shown;
}

} // namespace veltrane

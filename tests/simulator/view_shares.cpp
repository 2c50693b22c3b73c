#include "view_shares.h"

#include "veltrane/engine/interlace.h"
#include "veltrane/simulator/lens_view.h"

#include <gtest/gtest.h>

#include <numeric>

namespace veltrane {

Calibration foundNumbers(const SimulatedDisplay& display, double phase)
{
    Calibration found = display.sheet;
    found.pitch = display.sheet.pitch * (1.0 + display.measures.gap / display.measures.distance);
    found.viewPhase = phase;
    return found;
}

std::vector<double> viewShares(const SimulatedDisplay& display, const Calibration& numbers, const ViewerPlace& eye)
{
    const double column = display.measures.panelWidth / (3.0 * display.size.width); // mm a subpixel column
    const LensSheet sheet{display.sheet, display.views, display.measures.gap / column};
    const Eye traced{eye.distance / column, eye.offset / column, eye.height / column};
    const cv::Mat lit(display.size, CV_8UC3, cv::Scalar::all(85));
    const cv::Mat dark(display.size, CV_8UC3, cv::Scalar::all(0));
    std::vector<double> brightness(display.views);
    for (int view = 0; view < display.views; ++view) {
        std::vector<cv::Mat> views(display.views, dark);
        views[view] = lit;
        cv::Mat panel;
        cv::Mat seen;
        EXPECT_EQ(interlaceViews(numbers, views, panel), Status::Done);
        EXPECT_EQ(seeThroughSheet(sheet, traced, panel, seen), Status::Done);
        const cv::Scalar mean = cv::mean(seen);
        brightness[view] = mean[0] + mean[1] + mean[2];
    }
    const double total = std::accumulate(brightness.begin(), brightness.end(), 0.0);
    for (double& share : brightness)
        share /= total;
    return brightness;
}

} // namespace veltrane

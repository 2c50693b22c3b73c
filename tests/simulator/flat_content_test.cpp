// Flat content through the sheet: interlaced with the full weighting at the
// sheet's own numbers, flat grey and a flat colour look flat from the
// views' places over a sweep of pitches, view counts, slants and panel
// orders; the lines weighting shows the bands this measures; and views
// that differ still show their own view from their own place.
#include "veltrane/engine/interlace.h"
#include "veltrane/simulator/lens_view.h"

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

using namespace veltrane;

namespace {

const cv::Size Size(240, 135);
constexpr double Gap = 1000.0;
constexpr double Far = 1e9;
constexpr double PixelSpot = 3.0; // the eye's spot a pixel wide: each colour seen at the panel's value

// The eye that sees, through every lens, the panel offset columns right of
// the lens's centre line.
Eye eyeSeeing(double offset)
{
    return Eye{Far, -offset * Far / Gap};
}

EngineOptions weighted(Weighting weighting)
{
    EngineOptions options;
    options.weighting = weighting;
    return options;
}

cv::Mat seen(const LensSheet& sheet, const Eye& eye, const cv::Mat& panel, double spot)
{
    cv::Mat out;
    EXPECT_EQ(seeThroughSheet(sheet, eye, panel, out, SeeingOptions{spot}), Status::Done);
    return out;
}

// The largest difference between two row means or two column means of the
// image (the mean of its three channels), the rows and columns a lens's width
// from the edges left out (the sheet's edge lenses reach past the panel).
double spreadOfMeans(const cv::Mat& image, int margin)
{
    const cv::Rect inner(margin, margin, image.cols - 2 * margin, image.rows - 2 * margin);
    cv::Mat grey;
    image(inner).convertTo(grey, CV_64FC3);
    cv::Mat rows;
    cv::Mat columns;
    cv::reduce(grey, rows, 1, cv::REDUCE_AVG);
    cv::reduce(grey, columns, 0, cv::REDUCE_AVG);
    auto spread = [](const cv::Mat& means) {
        std::vector<double> values;
        for (int i = 0; i < static_cast<int>(means.total()); ++i) {
            const cv::Vec3d m = means.at<cv::Vec3d>(i);
            values.push_back((m[0] + m[1] + m[2]) / 3.0);
        }
        const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
        return *hi - *lo;
    };
    return std::max(spread(rows), spread(columns));
}

struct Sweep {
    Calibration calibration;
    int views;

    std::string describe() const
    {
        std::ostringstream text;
        text << "-x " << calibration.x << " -y " << calibration.y << " pitch " << calibration.pitch
             << (calibration.mirror ? " mirror" : "")
             << (calibration.subpixelOrder == ChannelOrder::Bgr ? " bgr" : " rgb") << ", " << views << " views";
        return text.str();
    }
};

// The worst spread of flat content seen from view 0's place and from the
// middle view's, in grey 200 and in a flat orange.
double worstSpread(const Sweep& sweep, Weighting weighting)
{
    const LensSheet sheet{sweep.calibration, sweep.views, Gap};
    const double spacing = sweep.calibration.pitch / sweep.views;
    const int margin = static_cast<int>(sweep.calibration.pitch / 3) + 2;
    double worst = 0.0;
    for (const cv::Scalar& colour : {cv::Scalar::all(200), cv::Scalar(40, 150, 230)}) {
        const std::vector<cv::Mat> views(sweep.views, cv::Mat(Size, CV_8UC3, colour));
        cv::Mat panel;
        EXPECT_EQ(interlaceViews(sweep.calibration, views, panel, weighted(weighting)), Status::Done)
            << sweep.describe();
        for (const int place : {0, sweep.views / 2}) {
            const Eye eye = eyeSeeing(place * spacing - sweep.calibration.pitch / 2);
            worst = std::max(worst, spreadOfMeans(seen(sheet, eye, panel, PixelSpot), margin));
        }
    }
    return worst;
}

TEST(FlatContent, StaysFlatThroughTheSheetWithTheFullWeighting)
{
    const Calibration slants[] = {{6, 1152, 0.0, true}, {4, 9, 0.0, false}, {1, 3, 0.0, true}, {6, 1152, 0.0, false}};
    double worst = 0.0;
    int index = 0;
    for (const double pitch : {4.0, 6.5, 8.25, 12.0, 17.3, 24.5, 40.0})
        for (const int views : {2, 5, 8, 16, 33, 64}) {
            Sweep sweep{slants[index % 4], views};
            sweep.calibration.pitch = pitch;
            sweep.calibration.subpixelOrder = index % 3 == 1 ? ChannelOrder::Bgr : ChannelOrder::Rgb;
            sweep.calibration.viewPhase = index % 5 == 2 ? 0.3 : 0.0;
            ++index;
            const double spread = worstSpread(sweep, Weighting::Full);
            EXPECT_LE(spread, 4.0) << sweep.describe();
            worst = std::max(worst, spread);
        }
    RecordProperty("worst_spread_full", std::to_string(worst));
}

// The same content with the lines weighting: the bands every 64 rows at the
// usual numbers, and the gaps between few views' lines at a wide pitch.
TEST(FlatContent, TheLinesWeightingShowsBands)
{
    const Sweep usual{{6, 1152, 8.0, true}, 8};
    const Sweep wide{{6, 1152, 24.5, true}, 8};
    const double usualSpread = worstSpread(usual, Weighting::Lines);
    const double wideSpread = worstSpread(wide, Weighting::Lines);
    EXPECT_GT(usualSpread, 10.0) << usual.describe();
    EXPECT_GT(wideSpread, 10.0) << wide.describe();
}

double brightness(const cv::Mat& image)
{
    const cv::Scalar sums = cv::mean(image);
    return (sums[0] + sums[1] + sums[2]) / 3.0;
}

// Eight views that differ: from where view v is meant to be seen, view v
// shows, more than any other (the full weighting shares the subpixels
// between neighbouring lines, so a neighbour shows more than with lines).
TEST(FlatContent, EachViewStillShowsFromItsOwnPlace)
{
    const int views = 8;
    const cv::Mat lit(Size, CV_8UC3, cv::Scalar::all(85));
    const cv::Mat dark(Size, CV_8UC3, cv::Scalar::all(0));
    for (const Calibration& calibration :
         {Calibration{6, 1152, 8.25, true}, Calibration{4, 9, 11.3, false, 0.4},
          Calibration{6, 1152, 8.0, false, 0.0, ChannelOrder::Bgr}}) {
        const LensSheet sheet{calibration, views, Gap};
        const double spacing = calibration.pitch / views;
        for (int v = 0; v < views; ++v) {
            std::vector<cv::Mat> only(views, dark);
            only[v] = lit;
            cv::Mat panel;
            ASSERT_EQ(interlaceViews(calibration, only, panel, weighted(Weighting::Full)), Status::Done);
            const double own = brightness(seen(sheet, eyeSeeing(v * spacing - calibration.pitch / 2), panel, 1.0));
            const double beside =
                brightness(seen(sheet, eyeSeeing((v + 2) * spacing - calibration.pitch / 2), panel, 1.0));
            EXPECT_GT(own, 0.5 * 85) << "view " << v << ", pitch " << calibration.pitch;
            EXPECT_LT(beside, own / 3) << "view " << v << ", pitch " << calibration.pitch;
        }
    }
}

} // namespace

// Interlacing for a slanted lens sheet: every subpixel of the output shows a
// weighted share of the views, by its distance from their lens lines (in one
// of two weightings, weighting.h). Images in, an image and a status out;
// nothing is kept between calls, nothing printed, nothing thrown.
//
// Images are cv::Mat of type CV_8UC3 with continuous rows, all of one size
// (the output's). The panel's subpixels run red, green, blue from the left,
// or blue, green, red (the calibration's subpixelOrder); sources hold blue
// first as OpenCV does, or red first with ChannelOrder::Rgb (cheaper when
// the caller decodes into the panel's order anyway). The output always holds
// blue first.
//
// Two engines give the same bytes: the fast one (interlaceViews and the rest)
// and the reference (…Reference), which draws one whole mask per view and is
// slow; the reference defines every byte.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/mask_allocator.h"
#include "veltrane/engine/status.h"
#include "veltrane/engine/weighting.h"

#include <opencv2/core.hpp>

#include <vector>

namespace veltrane {

struct EngineOptions {
    ChannelOrder sourceOrder = ChannelOrder::Bgr;
    int threads = 0; // 0: OpenCV's thread count
    MaskAllocator allocator = heapAllocator(); // where working memory comes from
    Weighting weighting = Weighting::Lines;
};

// Composes output from one view per lens position: views[v] shows through the
// mask of view v. output is made at the views' size unless it has that size
// and type already (then its memory is reused).
Status interlaceViews(const Calibration& calibration, const std::vector<cv::Mat>& views, cv::Mat& output,
                      const EngineOptions& options = {});

// The two-colour composition of the calibrator's pitch pattern: viewCount
// views (twoViewCount), the first half showing first, the rest second.
Status interlaceTwoViews(const Calibration& calibration, int viewCount, const cv::Mat& first, const cv::Mat& second,
                         cv::Mat& output, const EngineOptions& options = {});

// The same composition of two solid colours, at size, without images: the
// output is that of two images filled with first and second (channels in the
// sources' order, each rounded and held to 0..255 as cv::Mat::setTo does).
// Much faster where every channel is 0 or 255, as yellow and magenta are.
Status interlaceTwoColours(const Calibration& calibration, int viewCount, const cv::Scalar& first,
                           const cv::Scalar& second, cv::Size size, cv::Mat& output,
                           const EngineOptions& options = {});

// Adds the shares of some of viewCount views into output, which must already
// have the sources' size: sources[i] shows through the mask of view views[i].
// A view's share is truncated on its own and the sum saturates, so adding
// every view once to a zeroed output, in any grouping and order, gives
// interlaceViews: views can be streamed a few at a time. Views outside
// [0, viewCount) add nothing; a view named twice is added once.
Status addViews(const Calibration& calibration, int viewCount, const std::vector<int>& views,
                const std::vector<cv::Mat>& sources, cv::Mat& output, const EngineOptions& options = {});

// The reference engine: the same results, mask by mask.
Status interlaceViewsReference(const Calibration& calibration, const std::vector<cv::Mat>& views, cv::Mat& output,
                               const EngineOptions& options = {});
Status interlaceTwoViewsReference(const Calibration& calibration, int viewCount, const cv::Mat& first,
                                  const cv::Mat& second, cv::Mat& output, const EngineOptions& options = {});

// Done when a composition of viewCount views at size can be drawn;
// UnsupportedGeometry when its lens lines would be more than the engine
// draws (lines all but horizontal: a large -x over a small -y), when -y is
// not positive or -x beyond a third of INT_MAX either way, for a size of
// fewer than three rows (the first and last rows are never lit), and for
// more than MaxFullViews views in the full weighting; InvalidImage
// for no views or an empty size. Every composition checks this itself and
// then leaves its output alone.
Status checkGeometry(const Calibration& calibration, cv::Size size, int viewCount,
                     Weighting weighting = Weighting::Lines);
constexpr int MaxFullViews = 65535;

// Where a composition of viewCount views at size puts its lens lines, in
// subpixel columns (x of subpixel c is c): view 0's content is centred on
// the lines firstLine + m * pitch of row 0 (the view phase applied: a phase P
// puts them P view spacings further left), view v's spacing * v to their
// right, and every line moves perRow columns a row (negative: to the left).
struct LineLayout {
    double firstLine = 0.0;
    double spacing = 0.0; // pitch / viewCount
    double perRow = 0.0;
};

// Done with the layout, or what checkGeometry says of the lines (horizontal
// lines too); at any number of rows.
Status lineLayout(const Calibration& calibration, cv::Size size, int viewCount, LineLayout& layout);

// The share of the views' brightness that a composition of viewCount views
// at this pitch keeps with the lines weighting: 1 for the usual view
// spacings (pitch / viewCount), less where the spacing is so fine that the
// whole-number weights of each view round down, and 0 where they all round
// to nothing (a black image). The full weighting keeps it all: 1.
double brightnessKept(double pitch, int viewCount, Weighting weighting = Weighting::Lines);

// The view count of the two-colour composition at this pitch: the largest
// even number not above round(pitch + 1), plus two.
int twoViewCount(double pitch);

} // namespace veltrane

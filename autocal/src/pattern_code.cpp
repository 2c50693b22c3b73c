#include "veltrane/autocal/pattern_code.h"

#include "veltrane/autocal/photo_reading.h"

#include "veltrane/records/limits.h"
#include "veltrane/records/value_text.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <opencv2/wechat_qrcode.hpp>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace veltrane {

namespace {

// A photo is searched for the code at this many pixels at most across: a
// 3840 x 2160 display across most of a 12-megapixel photo is read at it.
// A photo stored mirrored (a phone's front camera) is searched again
// mirrored back when no code is read: the decoder reads a mirrored code
// only when its modules are sharp and large, where the same code the right
// way round is read at this size.
constexpr int SearchSide = 2400;

// The texts of the codes the decoder reads in a grey picture; none when
// the decoder refuses it.
std::vector<std::string> codeTexts(const cv::Mat& searched)
{
    try {
        cv::wechat_qrcode::WeChatQRCode reader;
        return reader.detectAndDecode(searched);
    } catch (const cv::Exception&) {
        return {}; // the decoder's own refusal of a photo: no code read
    }
}

// The smallest code has 21 modules a side: a photo narrower holds none.
constexpr int SmallestCodeSide = 21;

} // namespace

std::string patternCodeText(const PatternCode& code)
{
    const Calibration& g = code.guess;
    char text[160];
    std::snprintf(text, sizeof text, "VELTRANE1 R%d %dX%d X%d Y%d P%.4f M%d %s", code.round, code.display.width,
                  code.display.height, g.x, g.y, g.pitch, g.mirror ? 1 : 0,
                  g.subpixelOrder == ChannelOrder::Bgr ? "BGR" : "RGB");
    return text;
}

bool readPatternCodeText(const std::string& text, PatternCode& code)
{
    if (text.size() > 100)
        return false;
    PatternCode read;
    int mirror = 0;
    char order[4] = {};
    if (std::sscanf(text.c_str(), "VELTRANE1 R%d %dX%d X%d Y%d P%lf M%d %3s", &read.round, &read.display.width,
                    &read.display.height, &read.guess.x, &read.guess.y, &read.guess.pitch, &mirror, order) != 8)
        return false;
    read.guess.mirror = mirror == 1;
    read.guess.subpixelOrder = std::string(order) == "BGR" ? ChannelOrder::Bgr : ChannelOrder::Rgb;
    // Only what this program writes: the text written again is the text read.
    const bool inRange = read.round >= 1 && read.round <= 99 && read.display.width >= 1 &&
                         read.display.height >= 1 && read.display.width <= MaxImageSide &&
                         read.display.height <= MaxImageSide && read.guess.x >= 0 && read.guess.y >= 1 &&
                         read.guess.x <= MaxSlantTerm && read.guess.y <= MaxSlantTerm && pitchInRange(read.guess.pitch);
    if (!inRange || patternCodeText(read) != text)
        return false;
    code = read;
    return true;
}

cv::Mat patternCodeModules(const PatternCode& code)
{
    cv::QRCodeEncoder::Params params;
    params.correction_level = cv::QRCodeEncoder::CORRECT_LEVEL_M;
    cv::Mat modules;
    cv::QRCodeEncoder::create(params)->encode(patternCodeText(code), modules);
    return modules;
}

cv::Rect patternCodeSquare(const cv::Mat& modules)
{
    return cv::boundingRect(modules == 0);
}

bool findPatternCode(const cv::Mat& photo, PatternCode& code)
{
    if (std::min(photo.cols, photo.rows) < SmallestCodeSide)
        return false;
    cv::Mat grey = photo.channels() == 3 ? channelMean(photo) : photo;
    const double shrink = std::min(1.0, static_cast<double>(SearchSide) / std::max(grey.cols, grey.rows));
    if (shrink < 1.0)
        cv::resize(grey, grey, cv::Size(), shrink, shrink, cv::INTER_AREA);
    for (const bool mirroredBack : {false, true}) {
        cv::Mat searched = grey;
        if (mirroredBack) {
            searched = cv::Mat(); // a picture of its own: a grey photo is the caller's
            cv::flip(grey, searched, 1);
        }
        for (const std::string& text : codeTexts(searched))
            if (readPatternCodeText(text, code))
                return true;
    }
    return false;
}

} // namespace veltrane

#include "veltrane/panel/panel_drawing.h"

#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <cstring>

namespace veltrane {

namespace {

const cv::Scalar ActiveFill(240, 240, 240);
const cv::Scalar IdleFill(200, 200, 200);
const cv::Scalar Outline(0, 0, 0);
const cv::Scalar TextColour(0, 0, 200);
const cv::Scalar Highlight(0, 255, 255);
constexpr int PitchCharacters = 8;
constexpr int DigitCharacterIndex[DigitCount] = {2, 4, 5, 6, 7};

void putPanelText(const CalibrationState& state, cv::Mat& image, const char* text, int x, int y, const cv::Scalar& colour)
{
    cv::putText(image, text, cv::Point(x, y), cv::FONT_HERSHEY_SIMPLEX, state.layout.fontScale, colour, 2,
                cv::LINE_AA);
}

bool highlightedCharacter(const CalibrationState& state, int index)
{
    if (state.mode != ModePitch)
        return false;
    for (int k = 0; k < DigitCount; ++k)
        if (state.digitSelect[k] && DigitCharacterIndex[k] == index)
            return true;
    return false;
}

void drawPitchValue(CalibrationState& state, cv::Mat& image)
{
    const PanelLayout& layout = state.layout;
    // Bounded: a pitch of 10^58 or more would not fit the buffer.
    std::snprintf(state.textBuffer, sizeof state.textBuffer, "%8.4f", state.pitch);
    const int y = state.height - layout.barHeight / 2;
    for (int i = 0; i < PitchCharacters && state.textBuffer[i] != '\0'; ++i) {
        const char character[2] = {state.textBuffer[i], '\0'};
        const int x = state.width / 2 + layout.barHeight + i * (layout.barHeight / 5);
        putPanelText(state, image, character, x, y, highlightedCharacter(state, i) ? Highlight : TextColour);
    }
}

} // namespace

void drawButton(CalibrationState& state, cv::Mat& image, const char* label, const PanelRect& rect, bool hover, bool active)
{
    const cv::Point topLeft(rect.left, 0);
    const cv::Point bottomRight(rect.right, rect.bottom);
    cv::rectangle(image, topLeft, bottomRight, active ? ActiveFill : IdleFill, cv::FILLED, cv::LINE_4, 0);
    cv::rectangle(image, topLeft, bottomRight, Outline, 1, cv::LINE_4, 0);
    std::snprintf(state.textBuffer, sizeof state.textBuffer, "%s", label);
    const PanelLayout& layout = state.layout;
    putPanelText(state, image, state.textBuffer, rect.left + layout.buttonWidth / 4, 3 * (layout.barBottom / 5),
                 hover ? Highlight : TextColour);
}

void drawButtons(CalibrationState& state)
{
    cv::Mat image = state.displayImage;
    const PanelLayout& layout = state.layout;
    drawButton(state, image, "slant", layout.slantButton, state.hoverSlant, state.mode == ModeSlant);
    drawButton(state, image, "pitch", layout.pitchButton, state.hoverPitch, state.mode == ModePitch);
    drawButton(state, image, "disp >", layout.forwardButton, state.hoverForward, state.mode == ModeViewsForward);
    drawButton(state, image, "disp <", layout.reverseButton, state.hoverReverse, state.mode == ModeViewsReverse);
    drawButton(state, image, "quit", layout.quitButton, state.hoverQuit, state.mode == ModeQuit);
}

void drawReadouts(CalibrationState& state)
{
    cv::Mat image = state.displayImage;
    const PanelLayout& layout = state.layout;
    const int w = state.width;
    const int h = state.height;
    std::snprintf(state.textBuffer, sizeof state.textBuffer, "XT:%5d", state.slantX);
    putPanelText(state, image, state.textBuffer, (5 * w) / 100, h - (3 * layout.barHeight) / 5, TextColour);
    std::snprintf(state.textBuffer, sizeof state.textBuffer, "YT:%5d", state.slantY);
    putPanelText(state, image, state.textBuffer, (5 * w) / 100, h - (2 * layout.barHeight) / 10, TextColour);
    std::snprintf(state.textBuffer, sizeof state.textBuffer, "pitch:");
    putPanelText(state, image, state.textBuffer, w / 2, h - layout.barHeight / 2, TextColour);
    drawPitchValue(state, image);
}

} // namespace veltrane

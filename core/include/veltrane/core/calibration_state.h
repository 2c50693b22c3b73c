// The record of one calibrator run: parameters, mode, the panel layout, the
// pointer state and the four images the main loop draws into. One object is
// made at start and handed to the main loop, the panel, the keys, the frames
// and the pointer handler, which read and write its fields directly; the
// interlacing engine never sees it, and is handed a calibration instead.
#pragma once

#include <opencv2/core.hpp>

namespace veltrane {

enum Mode : int {
    ModeSlant = 1,
    ModePitch = 2,
    ModeQuit = 3,
    ModeViewsForward = 4,
    ModeViewsReverse = 5,
};

// Inclusive pixel rectangle: (x, y) is inside when left <= x <= right and top <= y <= bottom.
struct PanelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Five rows tiling the drag area; row k covers edges[k] <= y < edges[k + 1].
struct DigitRows {
    int left = 0;
    int right = 0;
    int edges[6] = {};
};

struct PanelLayout {
    int unit = 0;
    int barHeight = 0;
    int barBottom = 0;
    int buttonWidth = 0;
    double fontScale = 0.0;
    PanelRect slantButton;
    PanelRect pitchButton;
    PanelRect forwardButton;
    PanelRect reverseButton;
    PanelRect quitButton;
    PanelRect dragArea;
    DigitRows digitRows;
};

constexpr int DigitCount = 5;
constexpr int TextBufferSize = 64;

struct CalibrationState {
    // Calibration parameters and mode.
    int width = 0;
    int height = 0;
    double pitch = 7.0;
    int viewCount = 8;
    int mode = ModeSlant;
    int savedMode = 0;
    int slantOffset = 0;
    int dragDistance = 0;   // pixels of the slant drag under way; the only drag that moves the slant
    int pitchDragSteps = 0; // digit steps of the pitch drag under way (tenths of its pixels), or of a pitch key
    double pitchBase = 0.0;
    int slantX = 0;
    int slantY = 0;
    int mirror = 0;
    bool panelBgr = false;  // the panel's subpixels run blue, green, red: frames are drawn so
    double viewPhase = 0.0; // carried from the record started from into the one saved

    // Panel layout and pointer state.
    PanelLayout layout;
    int slantPatternCentre = 0; // also the largest slant offset either way: the test line then runs corner to corner
    char textBuffer[TextBufferSize] = {};
    bool dragActive = false;
    bool inDragArea = false;
    bool hoverSlant = false;
    bool hoverPitch = false;
    bool hoverForward = false;
    bool hoverReverse = false;
    bool hoverQuit = false;
    bool pitchDirty = false;
    bool digitSelect[DigitCount] = {};
    int dragOriginX = 0;

    // The frame shown in the main window, the two solid-colour views of pitch
    // mode and their interlaced result.
    cv::Mat displayImage;
    cv::Mat patternImageA;
    cv::Mat patternImageB;
    cv::Mat interlacedImage;
};

} // namespace veltrane

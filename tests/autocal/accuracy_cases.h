// Random displays for the accuracy of calibration from photographs: a true
// sheet, a virtual camera that photographs it in perspective with blur,
// noise, gamma and vignetting, and a guess a few per cent and a few steps of
// -x off; and what a run of the rounds makes of one.
#pragma once

#include "veltrane/autocal/photo_rounds.h"
#include "veltrane/autocal/virtual_camera.h"

#include <random>
#include <string>

struct AccuracyCase {
    veltrane::VirtualCamera camera;
    veltrane::Calibration guess;
    cv::Size display;
};

struct CaseOutcome {
    bool solved = false;        // the rounds gave numbers
    std::string problem;        // else why not
    veltrane::Calibration found;
    veltrane::Calibration seen; // the true sheet as the camera sees it (pitch and slant magnified; the nearest x)
    int rounds = 0;
    double misfit = 0.0;        // the last round's fields apart, in fringes across a field
    double fringesLeft = 0.0;   // across the display, between the numbers found and the sheet seen
    bool slantExact = false;    // -x and the leaning as seen
    bool good() const { return solved && slantExact && fringesLeft <= 0.25 && rounds <= 3; }
};

AccuracyCase randomCase(std::mt19937& random, cv::Size display);
// The case's rounds through the virtual camera; or through these photos of
// it, with these options.
CaseOutcome runCase(const AccuracyCase& accuracyCase);
CaseOutcome runCase(const AccuracyCase& accuracyCase, veltrane::PhotoSource& photos,
                    const veltrane::RoundsOptions& options);

// What users meet, one thing at a time over a photo in a dark room with a
// camera's usual encoding (gamma 1.8 to 2.4 over the display's 2.2), and
// all of them at once.
enum class Condition {
    DarkRoom,      // the photo as taken in a dark room
    LinearCamera,  // a camera writing linear light: the darks crushed
    LitRoom,       // the room lit: the surround 45 to 75 of 255, the room on the screen's glass
    GreyRoom,      // a mid-grey wall around the display (90 to 140)
    TexturedRoom,  // a room full of things, a window among them
    Rolled,        // the display rolled 20 to 45 degrees in the photo
    Reflection,    // a lamp's bright band across the screen
    FourK,         // 3840 x 2160 in a photo of 4000 x 3000
    Jpeg,          // the photo stored as JPEG of quality 85
    Everything,    // a phone in a lit room: all of the above but linear light and 4K
};
constexpr int ConditionCount = 10;
const char* conditionName(Condition condition);

// A random case of make accuracy's draw under the condition.
AccuracyCase conditionCase(std::mt19937& random, Condition condition);

struct PhaseOutcome {
    bool read = false;    // the views' code was read
    std::string problem;  // else why not
    double phase = 0.0;   // the view phase found
    double error = 0.0;   // views between the camera's place and the middle views' under those numbers
    bool orderRight = false; // the panel's subpixel order read from the code's colours
};

// The view phase for viewCount views measured with the numbers found, from
// a photo of the views' code, against where the true sheet's lenses show
// the camera the panel: the ray from the camera through a lens's centre
// line, magnified about the camera's foot.
PhaseOutcome measurePhase(const AccuracyCase& accuracyCase, const veltrane::Calibration& found, int viewCount);

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
    double fringesLeft = 0.0;   // across the display, between the numbers found and the sheet seen
    bool slantExact = false;    // -x and the leaning as seen
    bool good() const { return solved && slantExact && fringesLeft <= 0.25 && rounds <= 3; }
};

AccuracyCase randomCase(std::mt19937& random, cv::Size display);
CaseOutcome runCase(const AccuracyCase& accuracyCase);

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

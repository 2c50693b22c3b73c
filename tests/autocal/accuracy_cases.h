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

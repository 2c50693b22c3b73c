// Interlacing of a numbered sequence of rendered view images from disk.
#pragma once

#include <opencv2/core.hpp>

// One composition in the current view mode; always sets mode back to
// savedMode. True when composed holds a new frame to show.
bool interlaceViewSequence(cv::Mat& composed);

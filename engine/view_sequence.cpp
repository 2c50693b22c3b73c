#include "engine/view_sequence.h"

#include "app/calibration_state.h"

bool interlaceViewSequence(cv::Mat& composed)
{
    composed.release();
    state.mode = state.savedMode;
    return false;
}

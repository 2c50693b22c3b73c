#include "app/calibration_state.h"

CalibrationState state;

void resetCalibrationState()
{
    state = CalibrationState();
}

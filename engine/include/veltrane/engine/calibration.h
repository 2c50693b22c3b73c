// The numbers a calibration finds for a slanted lens sheet, as the calibrator
// prints them: "-x 6 -y 1152 -pitch 8.2500 -mirror".
#pragma once

namespace veltrane {

struct Calibration {
    int x = 0;          // the slant as a fraction: a lens line moves x / y pixels sideways a row
    int y = 0;
    double pitch = 0.0; // lens width in subpixel columns
    bool mirror = false; // the lenses lean the other way
};

} // namespace veltrane

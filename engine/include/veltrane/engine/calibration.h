// The numbers a calibration finds for a slanted lens sheet, as the calibrator
// prints them ("-x 6 -y 1152 -pitch 8.2500 -mirror"), and two that the
// printed line leaves at their defaults and records carry: the view phase
// and the panel's subpixel order.
#pragma once

namespace veltrane {

// The order of the three colours in a pixel: of a panel's subpixels from the
// left, or of an image's bytes.
enum class ChannelOrder {
    Bgr, // blue first, as OpenCV decodes
    Rgb, // red first: most panels' subpixel order
};

struct Calibration {
    int x = 0;          // the slant as a fraction: a lens line moves x / y pixels sideways a row
    int y = 0;
    double pitch = 0.0; // lens width in subpixel columns
    bool mirror = false; // the lenses lean the other way
    // Which view a lens position shows, in views: with phase K + f (K whole,
    // 0 <= f < 1) every lens line starts f view spacings further left, and
    // the line that showed view v shows view (v + K) mod N. A whole phase K
    // is the view offset K; phases N apart are the same. f is taken to 2^-32
    // of a view, so phases a whole number of views apart (0.4 and 3.4, which
    // differ in their last bits) move the lines alike.
    double viewPhase = 0.0;
    ChannelOrder subpixelOrder = ChannelOrder::Rgb; // the panel's subpixels from the left
};

} // namespace veltrane

// How a composition shares a subpixel's brightness among the views.
#pragma once

namespace veltrane {

enum class Weighting {
    // Each view drawn as one anti-aliased line a lens, a subpixel weighted by
    // its distance from the line: subpixels between two views' lines get a
    // share of neither, and the lines' weights over a column change with the
    // row. The calibrator's frames and "DISP" are made so.
    Lines,
    // Every subpixel at full brightness, shared between the two views whose
    // lines lie nearest it, by its distance from each: identical views
    // compose to exactly that image.
    Full,
};

} // namespace veltrane

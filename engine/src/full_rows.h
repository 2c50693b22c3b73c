// The fast engine's full weighting: a row at a time, every subpixel's two
// views read straight from their sources, the phase carried from column to
// column. Rows are independent, so threads take bands of them.
#pragma once

#include "fast_frame.h"
#include "lens_geometry.h"
#include "veltrane/engine/status.h"

namespace veltrane {

// Composes output from sources[v] for every view v (adding: into output,
// saturating, and a view whose source is null adds nothing). Colours: each
// source is the three bytes of a solid colour, not an image.
enum class FullSources { Images, Colours };
Status composeFull(const LensGeometry& lens, const unsigned char* const* sources, unsigned char* output, bool adding,
                   FullSources kind = FullSources::Images);

// A view table's segments for the full weighting: one a row.
Status compileFullTable(const LensGeometry& lens, fast::TableRecord& table);

} // namespace veltrane

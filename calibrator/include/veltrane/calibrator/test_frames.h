// The calibration frames of slant mode and pitch mode.
#pragma once

#include "veltrane/calibrator/working_images.h"
#include "veltrane/core/calibration_state.h"
#include "veltrane/engine/mask_allocator.h"
#include "veltrane/engine/status.h"

namespace veltrane {

// The slant test line, drawn at subpixel resolution into the band between the
// panel bars of displayImage.
void drawSlantFrame(CalibrationState& state, WorkingImages& images);

// The yellow and magenta pitch pattern: rebuilt when pitchDirty is set or a
// drag is under way, the last result copied otherwise. 0 when displayImage
// holds the frame, otherwise the status of the rebuild that failed.
veltrane::Status drawPitchFrame(CalibrationState& state, const veltrane::MaskAllocator& allocator, bool keyStepped,
                                std::FILE* report);

} // namespace veltrane

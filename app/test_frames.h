// The calibration frames of slant mode and pitch mode.
#pragma once

#include "app/working_images.h"

// The slant test line, drawn at subpixel resolution into the band between the
// panel bars of displayImage.
void drawSlantFrame(WorkingImages& images);

// The yellow and magenta pitch pattern: rebuilt when pitchDirty is set or a
// drag is under way, the last result copied otherwise. 0 when displayImage
// holds the frame, 1 or 2 when a rebuild could not allocate its masks.
int drawPitchFrame(bool keyStepped);

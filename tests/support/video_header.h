// Videos whose header says something else than their frames: the duration in
// a Matroska file's header scaled, so that a reader's frame count (duration
// times rate) is off, while the frames stay as they are.
#pragma once

#include <string>

namespace veltrane {

// Multiplies the first duration (element 44 89, an 8-byte double) in file
// by factor, in place. False when the file has none.
bool scaleMatroskaDuration(const std::string& file, double factor);

} // namespace veltrane

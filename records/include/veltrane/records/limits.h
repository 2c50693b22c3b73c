// What the programs accept, in one place: image sides, view files, the
// pitch, the slant fraction -x / -y, and calibration records.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veltrane {

// The largest image (window, view or output) in either direction.
constexpr int MaxImageSide = 16384;
// No view file may be larger than the raw pixels of the largest view.
constexpr std::uintmax_t MaxViewFileBytes = std::uintmax_t{MaxImageSide} * MaxImageSide * 3;

// The pitch prints as "%8.4f" from 1.0000 up to 999.9999.
constexpr double MinPitch = 1.0;
constexpr double PitchLimit = 1000.0;

// -x and -y: the calibrator's own stay below 3 x MaxImageSide; the bound
// keeps every product the lens geometry takes of them inside an int.
constexpr int MaxSlantTerm = 1 << 24;

// Views a frame may have (view files or quilt tiles): far more than any lens
// sheet shows apart, few enough that a frame's work stays bounded.
constexpr int MaxViews = 4096;

// A view phase is taken modulo the view count; a record's is at most this
// many views either way.
constexpr int MaxViewPhase = MaxViews;

// A video's header is believed up to this many frames (a day at 60 fps is
// 5.2 million); a count beyond it, or none, is not known, and the frames are
// counted as they are read.
constexpr int MaxDeclaredFrames = 10'000'000;

// A calibration record is a few hundred bytes of flat keys; far larger or
// deeper documents are refused before they are parsed.
constexpr std::size_t MaxRecordBytes = 64 * 1024;
constexpr int MaxRecordNesting = 32;

} // namespace veltrane

// The calibration record: what the calibrator saves when it quits and can
// start from, written with OpenCV's FileStorage as YAML (or JSON, for a name
// ending in .json). Other tools read x, y, pitch, mirror, width and height,
// and view_phase (a number of views), subpixel_order (rgb or bgr), reverse (0
// or 1) and view_offset (a whole number of views), which a record without
// them has as 0, rgb, 0 and 0, and weights (lines or full), which a record
// without it leaves to the program; viewing_distance_mm, gap_mm and
// panel_width_mm (the sheet's measures, in millimetres), which a record
// without them does not know; the rest is derived, for people.
#pragma once

#include "veltrane/engine/viewer_place.h"
#include "veltrane/engine/weighting.h"
#include "veltrane/records/parameter_line.h"

#include <optional>
#include <string>

namespace veltrane {

// The sheet's measures, in millimetres, each written when known: where the
// numbers were found from (straight in front of the panel's middle), the
// lenses' gap to the panel, and the panel's lit width.
struct RecordedMeasures {
    std::optional<double> viewingDistance;
    std::optional<double> gap;
    std::optional<double> panelWidth;
};

struct CalibrationRecord {
    Calibration calibration; // x, y, pitch, mirror
    int width = 0;                  // the window the calibration was made in; 0 when not known
    int height = 0;
    std::string screen;             // the monitor's name or geometry; empty for an ordinary window
    // The order the views were shown in (veltrane-play's r key and
    // --view-offset): written only when not the usual, so a record of the
    // calibrator has neither.
    bool reverse = false;
    int viewOffset = 0;
    // How the content was composed (veltrane-play's and veltrane-interlace's
    // --weights): written when known.
    std::optional<Weighting> weighting;
    RecordedMeasures measures;
};

// The sheet's measures when the record has all three.
std::optional<SheetMeasures> sheetMeasures(const RecordedMeasures& measures);

// Writes the record under a temporary name beside the file and renames it,
// so that the file is either the old one or the whole new one. savedAt is the
// ISO 8601 time written as "saved". False with a one-line message on failure.
bool saveCalibrationRecord(const std::string& file, const CalibrationRecord& record, const std::string& savedAt,
                           std::string& message);

// Reads a record; false with a one-line message when the file cannot be read
// or parsed, or a value is missing or out of range.
bool loadCalibrationRecord(const std::string& file, CalibrationRecord& record, std::string& message);

// True when a file of that name can be made (its folder exists and can be
// written) and replaces no file but a record (a photo or a video named by
// mistake is kept; a save refuses it too); otherwise message says why.
bool recordCanBeWritten(const std::string& file, std::string& message);

// The time now, as "2026-12-07T14:03:22+01:00".
std::string isoTimeNow();

} // namespace veltrane

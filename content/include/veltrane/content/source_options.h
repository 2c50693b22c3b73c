// The options that say what is shown and how, shared by veltrane-interlace
// and veltrane-play: the calibration (a printed line or a record, with its
// view phase and the panel's subpixel order), the content (numbered view
// files or a quilt), the output size, order, offset and phase, the
// weighting, the frame rate, and the viewer's seat. Read through the programs' command line.
#pragma once

#include "veltrane/engine/calibration.h"
#include "veltrane/engine/weighting.h"
#include "veltrane/process/command_line.h"
#include "veltrane/records/calibration_record.h"

#include <optional>
#include <string>

namespace veltrane {

struct SourceOptions {
    Calibration calibration;
    int recordWidth = 0; // the calibration record's window size, 0 when not known
    int recordHeight = 0;
    RecordedMeasures measures; // the record's measures of the sheet, those it has

    std::string viewsPattern = "pic/blender_{frame:05}_{view}.jpg";
    bool viewsGiven = false; // else the default, which falls back to .png as the calibrator does
    std::string quilt;      // a quilt image or video instead of view files
    int tileColumns = 0;    // 0: from the quilt's name
    int tileRows = 0;
    bool quiltTopLeft = false; // view 0 the top-left tile (else bottom-left)
    bool nearestTiles = false; // tiles enlarged to their nearest pixels (else smoothly, as cv::resize)

    bool framesGiven = false;
    int firstFrame = 0;
    int lastFrame = 0;

    int width = 0; // output size; 0: the views' (or the record's, for quilts)
    int height = 0;
    bool reverse = false;
    int viewOffset = 0;
    Weighting weighting = Weighting::Full; // --weights, else the record's, else full
    double fps = 0.0; // 0: the quilt video's, or 24
    // --viewer: the numbers turned for an eye there (the eyes' midpoint), by
    // the record's measures of the sheet, which it then has.
    std::optional<ViewerPlace> viewer;
};

// What the command line gives as text, read into numbers once parsed.
struct SourceTexts {
    std::string param, record, tiles, origin = "bottom-left", sampling, size, frames, offset, fps, phase, panel,
        weights, viewer;
    bool forward = false; // --no-reverse: the views in their own order whatever the record says
};

// Declares the options on line, into options and texts; the
// defaults are what options holds (a program's own, such as its tile sampling).
void declareSourceOptions(CommandLine& line, SourceOptions& options, SourceTexts& texts);

// Whether a program needs the calibration given: content shown as it is
// (the player's --image) does not.
enum class CalibrationNeed { Required, Optional };

// Once line has parsed: the texts as numbers, the content checked and the
// calibration read. False with one line in text (a usage error).
bool readSourceOptions(const CommandLine& line, const SourceTexts& texts, SourceOptions& options, std::string& text,
                       CalibrationNeed need = CalibrationNeed::Required);

// A place from "X,D" or "X,D,Y" in millimetres (right, away, up), D from 10
// to 100000, X and Y within 100000 either way; false for any other text.
bool readViewerPlace(const std::string& text, ViewerPlace& place);

// Whether the command line gave a calibration (--param or --calibration).
bool calibrationGiven(const SourceTexts& texts);

} // namespace veltrane

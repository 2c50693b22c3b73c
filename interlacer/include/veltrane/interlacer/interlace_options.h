// The options of veltrane-interlace, read with CLI11: the calibration, the
// views or quilt, the output size and order, and the output.
#pragma once

#include "veltrane/records/outcome.h"
#include "veltrane/records/parameter_line.h"

#include <string>

namespace veltrane {

struct InterlaceOptions {
    veltrane::Calibration calibration;
    int recordWidth = 0; // the calibration record's window size, 0 when not known
    int recordHeight = 0;

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

    std::string output;
    int shardIndex = 0; // --shard=I/N: only the frames whose number is I mod N
    int shardCount = 1;
    double fps = 0.0; // 0: the quilt video's, or 24
    bool force = false;
    bool allowLossy = false;
    bool quiet = false;
};


// Reads the command line; Help fills text with the usage, Invalid with one
// line for the user.
Parse parseInterlaceOptions(int argc, const char* const* argv, InterlaceOptions& options, std::string& text);

} // namespace veltrane

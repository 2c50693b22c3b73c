// Quilts: one image holding all views as tiles, columns x rows, view 0 at the
// bottom left (or top left), views running left to right, then row by row.
#pragma once

#include "veltrane/engine/interlace.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace veltrane {

// The tiles from a name with "_qs{C}x{R}" in it (as in "scene_qs8x6a0.75.png").
bool tilesFromName(const std::string& file, int& columns, int& rows);

// The tile of a view, sharing the quilt's pixels; the quilt's size must be a
// multiple of the tiles.
cv::Mat quiltTile(const cv::Mat& quilt, int columns, int rows, int view, bool topLeft);

// The tiles of a quilt (red first) added into output (of the panel's size):
// tile v shows through view viewOf[v], enlarged or shrunk to the output's
// size a few at a time (into memory used again), each few in one pass;
// smoothly as atSize does, or to the nearest tile pixel (cv::resize's
// INTER_NEAREST, which a ViewTable reads tiles with), in the weighting given.
veltrane::Status addQuiltTiles(const cv::Mat& quilt, int columns, int rows, bool topLeft,
                               const veltrane::Calibration& calibration, const std::vector<int>& viewOf,
                               cv::Mat& output, bool nearest, veltrane::Weighting weighting);

// The tiles of a quilt in the order of the views they show (tile v at
// viewOf[v]), sharing the quilt's pixels.
std::vector<cv::Mat> tilesByView(const cv::Mat& quilt, int columns, int rows, bool topLeft,
                                 const std::vector<int>& viewOf);

// The quilt with every tile contained in a tile of the output's shape,
// black around it, at the tiles' own scale (no larger than the output):
// tiles enlarged to the output from it keep their shape. The quilt itself
// when its tiles have the output's shape already.
cv::Mat containedTiles(const cv::Mat& quilt, int columns, int rows, cv::Size output);

// True for a name that OpenCV reads as a video (by its extension).
bool isVideoName(const std::string& file);

} // namespace veltrane

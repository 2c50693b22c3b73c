// Quilts: one image holding all views as tiles, columns x rows, view 0 at the
// bottom left (or top left), views running left to right, then row by row.
#pragma once

#include <opencv2/core.hpp>

#include <string>

// The tiles from a name with "_qs{C}x{R}" in it (as in "scene_qs8x6a0.75.png").
bool tilesFromName(const std::string& file, int& columns, int& rows);

// The tile of a view, sharing the quilt's pixels; the quilt's size must be a
// multiple of the tiles.
cv::Mat quiltTile(const cv::Mat& quilt, int columns, int rows, int view, bool topLeft);

// True for a name that OpenCV reads as a video (by its extension).
bool isVideoName(const std::string& file);

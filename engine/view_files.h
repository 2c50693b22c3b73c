// The numbered view image files of a rendered sequence:
// pic/blender_00000_<index><extension>, relative to the working directory.
#pragma once

#include <opencv2/core.hpp>

#include <string>

std::string viewFileName(int index, const std::string& extension);

// Decodes a view file as an 8-bit, three-channel, continuous image. Empty when
// the file is missing, unreadable or corrupt.
cv::Mat loadViewImage(const std::string& name);

// Decodes a view file into target's pixel buffer, in subpixel order (red
// first). False when the file does not load or holds an image of another
// size; decoded then holds that image (empty when nothing loaded).
bool loadViewInto(const std::string& name, cv::Mat& target, cv::Mat& decoded);

// True when a regular file of that name exists.
bool viewFileExists(const std::string& name);

// The numbered view image files of a rendered sequence:
// pic/blender_00000_<index><extension>, relative to the working directory.
#pragma once

#include <opencv2/core.hpp>

#include <string>

std::string viewFileName(int index, const std::string& extension);

// Decodes a view file as an 8-bit, three-channel, continuous image. Empty when
// the file is missing, unreadable or corrupt.
cv::Mat loadViewImage(const std::string& name);

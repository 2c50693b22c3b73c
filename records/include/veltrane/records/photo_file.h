// A photograph read the way its camera meant it: a JPEG's EXIF orientation
// (a phone held upside down or sideways stores its pixels turned and says
// so) applied, so the picture is upright as it was taken.
#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace veltrane {

// The EXIF orientation of a JPEG, 1 to 8 (1: as stored); 1 when it has none
// or the tag cannot be read.
int exifOrientation(const std::vector<unsigned char>& bytes);

// The photo as loadViewImage reads it, turned and mirrored as its EXIF
// orientation says; empty with the problem as loadViewImage gives it.
cv::Mat loadPhotoUpright(const std::string& name, std::string& problem);

} // namespace veltrane

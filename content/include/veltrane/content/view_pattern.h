// File patterns with fields: {view} for the view number, {frame} or
// {frame:05} (zero-padded to 5 digits) for the frame number.
#pragma once

#include <string>
#include <vector>

namespace veltrane {

struct PatternFields {
    bool view = false;
    bool frame = false;
};

// Which fields a pattern has; false with a one-line message for an unknown
// or malformed field, or a brace outside a field.
bool readPatternFields(const std::string& pattern, PatternFields& fields, std::string& message);

// The same for a pattern of view files, which must have {view}.
bool readViewsPattern(const std::string& pattern, PatternFields& fields, std::string& message);

// The pattern with its fields filled in.
std::string expandPattern(const std::string& pattern, int frame, int view);

// The numbered view files of an animation: the frames in order, and for each
// the files of views 0 to count - 1.
struct ViewSequenceFiles {
    std::vector<int> frames;
    int views = 0;
    std::string file(const std::string& pattern, std::size_t frameIndex, int view) const
    {
        return expandPattern(pattern, frames[frameIndex], view);
    }
};

// Finds the frames (from the first that exists, up to the first missing; or
// first to last, which must all exist) and views (0 up to the first missing,
// the same number in every frame). False with a one-line message.
bool findViewFiles(const std::string& pattern, bool framesGiven, int firstFrame, int lastFrame, ViewSequenceFiles& files,
                   std::string& message);

// The pattern views are read with: one the user gave, as it is; the default
// (JPEG files) gives way to the same names ending in .png where no JPEG
// sequence is there and a PNG one is, as "disp >" reads them (so that a
// sequence found in neither form is named by the default).
std::string viewFilesPattern(const std::string& pattern, bool given, bool framesGiven, int firstFrame, int lastFrame);

} // namespace veltrane

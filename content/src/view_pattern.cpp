#include "veltrane/content/view_pattern.h"

#include "veltrane/records/value_text.h"
#include "veltrane/records/view_files.h"

#include <climits>
#include <cstdio>

namespace veltrane {

namespace {

// Frame numbers tried when looking for the first frame of an animation
// (from there on, the frames run as far as they go).
constexpr int FirstFramesSearched = 100000;

bool exists(const std::string& file)
{
    return viewFileExists(file);
}

// The field at pattern[at] ('{'): its name and zero-padding; at moves past it.
bool readField(const std::string& pattern, std::size_t& at, std::string& name, int& width)
{
    const std::size_t close = pattern.find('}', at);
    if (close == std::string::npos)
        return false;
    const std::string field = pattern.substr(at + 1, close - at - 1);
    at = close + 1;
    width = 0;
    name = field;
    const std::size_t colon = field.find(':');
    if (colon == std::string::npos)
        return true;
    name = field.substr(0, colon);
    const std::string pad = field.substr(colon + 1);
    if (pad.size() < 2 || pad.size() > 3 || pad[0] != '0' || pad.find_first_not_of("0123456789") != std::string::npos)
        return false;
    width = std::stoi(pad.substr(1));
    return width >= 1 && width <= 20;
}

// The views of a frame, up to one more than MaxViews.
int viewCount(const std::string& pattern, int frame)
{
    int views = 0;
    while (views <= MaxViews && exists(expandPattern(pattern, frame, views)))
        ++views;
    return views;
}

} // namespace

bool readPatternFields(const std::string& pattern, PatternFields& fields, std::string& message)
{
    fields = PatternFields();
    std::size_t at = 0;
    for (std::size_t open = pattern.find_first_of("{}"); open != std::string::npos;
         open = pattern.find_first_of("{}", at)) {
        at = open;
        std::string name;
        int width = 0;
        if (pattern[open] == '}' || !readField(pattern, at, name, width) || (name != "view" && name != "frame") ||
            (name == "view" && width != 0)) {
            message = "the pattern '" + printable(pattern) +
                      "' has a field other than {view}, {frame} or {frame:05} (or a brace of no field)";
            return false;
        }
        (name == "view" ? fields.view : fields.frame) = true;
    }
    return true;
}

bool readViewsPattern(const std::string& pattern, PatternFields& fields, std::string& message)
{
    if (!readPatternFields(pattern, fields, message))
        return false;
    if (!fields.view) {
        message = "the pattern '" + printable(pattern) + "' has no {view}";
        return false;
    }
    return true;
}

std::string expandPattern(const std::string& pattern, int frame, int view)
{
    std::string text;
    std::size_t at = 0;
    for (std::size_t open = pattern.find('{'); open != std::string::npos; open = pattern.find('{', at)) {
        text += pattern.substr(at, open - at);
        at = open;
        std::string name;
        int width = 0;
        if (!readField(pattern, at, name, width))
            return text + pattern.substr(open);
        char number[32];
        std::snprintf(number, sizeof number, "%0*d", width, name == "view" ? view : frame);
        text += number;
    }
    return text + pattern.substr(at);
}

bool findViewFiles(const std::string& pattern, bool framesGiven, int firstFrame, int lastFrame, ViewSequenceFiles& files,
                   std::string& message)
{
    PatternFields fields;
    if (!readViewsPattern(pattern, fields, message))
        return false;
    files = ViewSequenceFiles();
    if (!fields.frame) {
        files.frames = {0};
    } else if (framesGiven) {
        for (int frame = firstFrame; frame <= lastFrame; ++frame) {
            if (!exists(expandPattern(pattern, frame, 0))) {
                message = "frame " + std::to_string(frame) + " of " + std::to_string(firstFrame) + "-" +
                          std::to_string(lastFrame) + " is missing: no " + printable(expandPattern(pattern, frame, 0));
                return false;
            }
            files.frames.push_back(frame);
        }
    } else {
        int frame = 0;
        while (frame < FirstFramesSearched && !exists(expandPattern(pattern, frame, 0)))
            ++frame;
        for (; frame < FirstFramesSearched || !files.frames.empty(); ++frame) {
            if (!exists(expandPattern(pattern, frame, 0)))
                break;
            files.frames.push_back(frame);
            if (frame == INT_MAX)
                break;
        }
    }
    if (files.frames.empty() || !exists(expandPattern(pattern, files.frames[0], 0))) {
        message = "no view files: " + printable(expandPattern(pattern, files.frames.empty() ? 0 : files.frames[0], 0)) +
                  " does not exist";
        return false;
    }
    files.views = viewCount(pattern, files.frames[0]);
    if (files.views > MaxViews) {
        message = "more than " + std::to_string(MaxViews) + " views: " + printable(expandPattern(pattern, files.frames[0], MaxViews)) +
                  " exists";
        return false;
    }
    for (const int frame : files.frames) {
        const int views = viewCount(pattern, frame);
        if (views != files.views) {
            message = "frame " + std::to_string(frame) + " has " + std::to_string(views) + " views, frame " +
                      std::to_string(files.frames[0]) + " has " + std::to_string(files.views) + ": no " +
                      printable(expandPattern(pattern, frame, std::min(views, files.views)));
            return false;
        }
    }
    return true;
}

std::string viewFilesPattern(const std::string& pattern, bool given, bool framesGiven, int firstFrame, int lastFrame)
{
    if (given)
        return pattern;
    const std::string png = pattern.substr(0, pattern.rfind('.')) + ".png";
    ViewSequenceFiles jpeg;
    ViewSequenceFiles pngFiles;
    std::string message;
    if (!findViewFiles(pattern, framesGiven, firstFrame, lastFrame, jpeg, message) &&
        findViewFiles(png, framesGiven, firstFrame, lastFrame, pngFiles, message))
        return png;
    return pattern;
}

} // namespace veltrane

#include "interlacer/quilt.h"

#include <algorithm>
#include <cctype>
#include <regex>

bool tilesFromName(const std::string& file, int& columns, int& rows)
{
    static const std::regex Tiles("_qs([0-9]{1,4})x([0-9]{1,4})");
    std::smatch match;
    const std::string name = file.substr(file.find_last_of('/') + 1);
    if (!std::regex_search(name, match, Tiles))
        return false;
    columns = std::stoi(match[1]);
    rows = std::stoi(match[2]);
    return columns > 0 && rows > 0;
}

cv::Mat quiltTile(const cv::Mat& quilt, int columns, int rows, int view, bool topLeft)
{
    const int width = quilt.cols / columns;
    const int height = quilt.rows / rows;
    const int column = view % columns;
    const int row = view / columns; // counted from the origin's side
    const int top = topLeft ? row * height : (rows - 1 - row) * height;
    return quilt(cv::Rect(column * width, top, width, height));
}

bool isVideoName(const std::string& file)
{
    const std::size_t dot = file.find_last_of('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = file.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* video : {"mkv", "avi", "mp4", "mov", "webm", "m4v"})
        if (extension == video)
            return true;
    return false;
}

#include "veltrane/content/quilt.h"

#include "veltrane/content/view_stream.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cctype>
#include <string>

namespace veltrane {

namespace {

// Digits at text[at] (1 to 4 of them) as a number; at moves past them.
bool readCount(const std::string& text, std::size_t& at, int& value)
{
    const std::size_t start = at;
    while (at < text.size() && at - start < 5 && std::isdigit(static_cast<unsigned char>(text[at])))
        ++at;
    if (at == start || at - start > 4)
        return false;
    value = std::stoi(text.substr(start, at - start));
    return value > 0;
}

} // namespace

bool tilesFromName(const std::string& file, int& columns, int& rows)
{
    const std::string name = file.substr(file.find_last_of('/') + 1);
    for (std::size_t at = name.find("_qs"); at != std::string::npos; at = name.find("_qs", at + 1)) {
        std::size_t next = at + 3;
        int c = 0;
        int r = 0;
        if (readCount(name, next, c) && next < name.size() && name[next] == 'x' && readCount(name, ++next, r)) {
            columns = c;
            rows = r;
            return true;
        }
    }
    return false;
}

cv::Mat containedTiles(const cv::Mat& quilt, int columns, int rows, cv::Size output)
{
    const cv::Size tile(quilt.cols / columns, quilt.rows / rows);
    if (!aspectDiffers(tile, output))
        return quilt;
    // The output's shape just large enough to hold a tile, or the output's size.
    const double scale = std::max(static_cast<double>(tile.width) / output.width,
                                  static_cast<double>(tile.height) / output.height);
    const cv::Size shaped = scale >= 1.0 ? output
                                         : cv::Size(std::max(tile.width, static_cast<int>(std::lround(output.width * scale))),
                                                    std::max(tile.height, static_cast<int>(std::lround(output.height * scale))));
    cv::Mat contained(rows * shaped.height, columns * shaped.width, quilt.type());
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            containedAtSize(quilt(cv::Rect(c * tile.width, r * tile.height, tile.width, tile.height)), shaped)
                .copyTo(contained(cv::Rect(c * shaped.width, r * shaped.height, shaped.width, shaped.height)));
    return contained;
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

veltrane::Status addQuiltTiles(const cv::Mat& quilt, int columns, int rows, bool topLeft,
                               const veltrane::Calibration& calibration, const std::vector<int>& viewOf,
                               cv::Mat& output, bool nearest, veltrane::Weighting weighting)
{
    const int views = columns * rows;
    const std::size_t group = veltrane::viewGroup(output.size(), SIZE_MAX);
    veltrane::EngineOptions options;
    options.sourceOrder = veltrane::ChannelOrder::Rgb;
    options.weighting = weighting;
    std::vector<cv::Mat> enlarged(group); // the memory of one group, used by every group
    for (int v = 0; v < views;) {
        std::vector<int> targets;
        std::vector<cv::Mat> tiles;
        for (; v < views && tiles.size() < group; ++v) {
            targets.push_back(viewOf[v]);
            const cv::Mat tile = quiltTile(quilt, columns, rows, v, topLeft);
            cv::Mat& into = enlarged[tiles.size()];
            if (nearest)
                cv::resize(tile, into, output.size(), 0, 0, cv::INTER_NEAREST);
            tiles.push_back(nearest ? into : veltrane::atSize(tile, output.size(), into));
        }
        const veltrane::Status status = veltrane::addViews(calibration, views, targets, tiles, output, options);
        if (status != veltrane::Status::Done)
            return status;
    }
    return veltrane::Status::Done;
}

std::vector<cv::Mat> tilesByView(const cv::Mat& quilt, int columns, int rows, bool topLeft,
                                 const std::vector<int>& viewOf)
{
    std::vector<cv::Mat> tiles(viewOf.size());
    for (std::size_t v = 0; v < viewOf.size(); ++v)
        tiles[viewOf[v]] = quiltTile(quilt, columns, rows, static_cast<int>(v), topLeft);
    return tiles;
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

} // namespace veltrane

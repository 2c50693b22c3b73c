// A temporary working directory with a pic/ folder for view files; the
// previous working directory is restored when it goes.
#pragma once

#include <opencv2/core.hpp>

#include <filesystem>
#include <string>

namespace veltrane {

class ViewFolder {
public:
    ViewFolder();
    ~ViewFolder();
    ViewFolder(const ViewFolder&) = delete;
    ViewFolder& operator=(const ViewFolder&) = delete;

    // Writes view i as pic/blender_00000_<i><extension>.
    void write(int index, const std::string& extension, const cv::Mat& image) const;
    void writeBytes(int index, const std::string& extension, const std::string& bytes) const;
    void remove(int index, const std::string& extension) const;

    const std::filesystem::path& path() const { return root_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path root_;
};

// A view of the given size whose pixels depend on its index and position.
cv::Mat patternView(int index, int width, int height);

} // namespace veltrane

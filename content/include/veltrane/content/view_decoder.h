// View files decoded ahead, in order, by a few threads: at most `ahead` views
// are in memory beyond the last one taken. A composition takes them one by
// one, adds them and drops them, so that a long sequence never needs all its
// views in memory at once.
#pragma once

#include <opencv2/core.hpp>

#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace veltrane {

class ViewDecoder {
public:
    // With subpixelOrder the views come with red first (the engine's
    // subpixel order), crossed by the decoding threads.
    ViewDecoder(std::vector<std::string> files, int threads, int ahead, bool subpixelOrder = false);
    ~ViewDecoder();
    ViewDecoder(const ViewDecoder&) = delete;
    ViewDecoder& operator=(const ViewDecoder&) = delete;

    // File i, decoded as loadViewImage does; empty with problem saying why
    // when it cannot be used. Files are taken in order; taking a later one
    // passes over those before it (they are dropped, never handed over),
    // and asking for one taken or passed over already, or for one past the
    // last, is refused the same way.
    cv::Mat take(std::size_t i, std::string& problem);

    // Returns once the threads have nothing left that they may decode
    // before the next take.
    void waitUntilIdle();

    // How many files have been begun (decoded, or being decoded).
    std::size_t begun();

private:
    struct Decoded {
        cv::Mat image;
        std::string problem;
    };

    void run();

    std::vector<std::string> files_;
    std::size_t ahead_;
    bool subpixelOrder_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::size_t, Decoded> done_;
    std::size_t next_ = 0;
    std::size_t taken_ = 0; // the first file that may still be handed over
    std::size_t busy_ = 0;  // threads decoding a file
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace veltrane

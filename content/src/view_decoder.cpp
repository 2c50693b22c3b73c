#include "veltrane/content/view_decoder.h"

#include "veltrane/records/view_files.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <exception>

namespace veltrane {

ViewDecoder::ViewDecoder(std::vector<std::string> files, int threads, int ahead, bool subpixelOrder)
    : files_(std::move(files)), ahead_(static_cast<std::size_t>(ahead)), subpixelOrder_(subpixelOrder)
{
    for (int t = 0; t < threads; ++t)
        workers_.emplace_back([this] { run(); });
}

ViewDecoder::~ViewDecoder()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    for (std::thread& worker : workers_)
        worker.join();
}

cv::Mat ViewDecoder::take(std::size_t i, std::string& problem)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (i >= files_.size() || i < taken_) {
        problem = i >= files_.size() ? "there is no such view" : "it was handed over already";
        return cv::Mat();
    }
    if (i > taken_) { // the views before i are passed over: the window ahead moves to i
        done_.erase(done_.begin(), done_.lower_bound(i));
        taken_ = i;
        next_ = std::max(next_, i);
        changed_.notify_all();
    }
    changed_.wait(lock, [&] { return done_.count(i) != 0; });
    Decoded decoded = std::move(done_[i]);
    done_.erase(i);
    taken_ = i + 1;
    changed_.notify_all();
    problem = decoded.problem;
    return decoded.image;
}

void ViewDecoder::waitUntilIdle()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return busy_ == 0 && !(next_ < files_.size() && next_ < taken_ + ahead_); });
}

std::size_t ViewDecoder::begun()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return next_;
}

void ViewDecoder::run()
{
    for (;;) {
        std::size_t i = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || (next_ < files_.size() && next_ < taken_ + ahead_); });
            if (stopping_)
                return;
            i = next_++;
            ++busy_;
        }
        Decoded decoded;
        try {
            decoded.image = loadViewImage(files_[i], decoded.problem);
            if (decoded.image.empty() && decoded.problem.empty())
                decoded.problem = "it no longer exists";
            if (!decoded.image.empty() && subpixelOrder_)
                cv::cvtColor(decoded.image, decoded.image, cv::COLOR_BGR2RGB);
        } catch (const std::exception&) { // memory, as OpenCV or the library report it
            decoded.image.release();
            decoded.problem = "there was not enough memory to decode it";
        }
        std::lock_guard<std::mutex> lock(mutex_);
        --busy_;
        if (i >= taken_) // else passed over while it was decoded
            done_[i] = std::move(decoded);
        changed_.notify_all();
    }
}

} // namespace veltrane

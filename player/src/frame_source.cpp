#include "veltrane/player/frame_source.h"

#include <algorithm>
#include <exception>

namespace veltrane {

FrameSource::FrameSource(Content& content, std::size_t depth)
    : content_(content), depth_(std::max<std::size_t>(1, depth)), thread_([this] { run(); })
{
}

FrameSource::~FrameSource()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    thread_.join();
}

long FrameSource::after(long f) const
{
    const long frames = std::max(1, content_.frames());
    return (f + 1) % frames;
}

LoadedFrame FrameSource::take(long f)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto queued = std::find_if(ahead_.begin(), ahead_.end(), [f](const LoadedFrame& l) { return l.number == f; });
    // A frame that could not be read is handed over even when passed over:
    // its problem is never lost (the content may have fewer frames since).
    const auto broken = std::find_if(ahead_.begin(), queued, [](const LoadedFrame& l) { return !l.ok; });
    if (broken != queued) {
        LoadedFrame failure = std::move(*broken);
        ahead_.erase(ahead_.begin(), broken + 1);
        changed_.notify_all();
        return failure;
    }
    if (queued != ahead_.end()) {
        ahead_.erase(ahead_.begin(), queued); // frames passed over (dropped)
    } else if (!(loading_ && next_ == f)) { // not on its way: start again at f
        ahead_.clear();
        next_ = f;
        ++generation_;
        wanted_ = true;
        changed_.notify_all();
    }
    changed_.wait(lock, [&] { return !ahead_.empty() && ahead_.front().number == f; });
    LoadedFrame loaded = std::move(ahead_.front());
    ahead_.pop_front();
    changed_.notify_all();
    return loaded;
}

std::string FrameSource::failure() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

void FrameSource::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // A still is loaded when asked for only: it has no next frame to read ahead.
        changed_.wait(lock, [&] { return stopping_ || wanted_ || (ahead_.size() < depth_ && content_.frames() > 1); });
        if (stopping_)
            return;
        LoadedFrame loaded;
        loaded.number = next_;
        const long generation = generation_;
        wanted_ = false;
        loading_ = true;
        lock.unlock();
        try {
            loaded.ok = content_.load(static_cast<int>(loaded.number), loaded.frame, loaded.problem);
        } catch (const std::exception&) { // memory, as OpenCV or the library report it
            loaded.ok = false;
            loaded.frame = ContentFrame();
            loaded.problem = "there was not enough memory to read frame " + std::to_string(loaded.number);
        }
        lock.lock();
        loading_ = false;
        if (!loaded.ok && failure_.empty())
            failure_ = loaded.problem;
        if (generation != generation_)
            continue; // asked for another frame meanwhile
        // After a failure the content has fewer frames: the next is counted on them.
        next_ = loaded.ok ? after(loaded.number) : 0;
        ahead_.push_back(std::move(loaded));
        changed_.notify_all();
    }
}

} // namespace veltrane

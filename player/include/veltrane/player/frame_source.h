// The player's first stage: content frames loaded on a thread of their own,
// a few ahead of the one shown, in a bounded queue. The frame asked for is
// the next in the queue while playing; a step, a seek or a dropped frame
// starts the reading again at the frame asked for. The thread that shows
// frames never loads one: it waits for this one's.
#pragma once

#include "veltrane/player/content.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace veltrane {

// A frame as the source loaded it: the frame, or the problem that stopped it.
struct LoadedFrame {
    long number = 0; // the content frame, in [0, frames)
    bool ok = false;
    ContentFrame frame;
    std::string problem;
};

class FrameSource {
public:
    // Reads content (which only it loads from, from now on), at most depth
    // frames ahead of the last one taken: one by default, as a frame of many
    // views at the panel's size is large.
    explicit FrameSource(Content& content, std::size_t depth = 1);
    ~FrameSource();
    FrameSource(const FrameSource&) = delete;
    FrameSource& operator=(const FrameSource&) = delete;

    // Content frame f (0 <= f < the content's frames): the frame itself, or
    // the problem that stopped it. Frames read ahead before f are passed
    // over, but one that could not be read is handed over in f's place (its
    // number says which it is); when f is not ahead, the reading starts
    // again at f.
    LoadedFrame take(long f);

    // The problem of the first frame that could not be read, whether or not
    // it was taken (a failure read ahead and then passed over by a restart);
    // empty when every frame read so far was read.
    std::string failure() const;

private:
    void run();
    long after(long f) const; // the frame after f, wrapped

    Content& content_;
    std::size_t depth_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<LoadedFrame> ahead_; // frames next_ - ahead_.size() ... next_ - 1, in order
    long next_ = 0;                  // the frame the thread loads next
    long generation_ = 0;            // counts restarts: a frame loaded before one is dropped
    bool wanted_ = true;             // a frame is asked for that is not on its way (frame 0 at first)
    bool loading_ = false;           // the thread is loading frame next_
    bool stopping_ = false;
    std::string failure_;
    std::thread thread_;
};

} // namespace veltrane

// highgui's Qt windows keep one key between two key waits: every key press
// handled in one wait overwrites the one before, so keys typed while a
// program composes a frame are lost but the last. The queue holds every key
// press a window receives: the first of a wait goes on to highgui as usual,
// the rest (and any that come outside a wait) are held and handed to highgui
// one a wait, in the order typed.
#pragma once

#include <memory>

namespace veltrane {

class QtKeyQueue {
public:
    QtKeyQueue();
    ~QtKeyQueue();
    QtKeyQueue(const QtKeyQueue&) = delete;
    QtKeyQueue& operator=(const QtKeyQueue&) = delete;

    // Starts holding keys once Qt runs (after the first window); again is harmless.
    void install();

    // Before a key wait: true when a held key was handed to highgui, which
    // the wait then returns at once (wait 1 ms); false when none is held,
    // and the wait's first key may go straight to highgui.
    bool beginWait();
    // After the wait: keys are held again.
    void endWait();

private:
    struct Filter;
    std::unique_ptr<Filter> filter_;
};

} // namespace veltrane

#include "qt_key_queue.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include <deque>

namespace veltrane {

namespace {

std::unique_ptr<QKeyEvent> copyOf(const QKeyEvent& key)
{
    return std::make_unique<QKeyEvent>(key.type(), key.key(), key.modifiers(), key.nativeScanCode(),
                                       key.nativeVirtualKey(), key.nativeModifiers(), key.text(), key.isAutoRepeat(),
                                       key.count());
}

} // namespace

struct QtKeyQueue::Filter : QObject {
    struct Held {
        QPointer<QObject> window;
        std::unique_ptr<QKeyEvent> key;
    };
    std::deque<Held> held;
    bool slotFree = true; // no key has gone to highgui since the last hand-over
    bool handing = false;
    bool installed = false;

    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || handing)
            return false;
        const auto* widget = qobject_cast<QWidget*>(receiver);
        if (widget == nullptr || !widget->isWindow())
            return false; // a key on its way to a window passes its children first
        if (slotFree && held.empty()) {
            slotFree = false;
            return false;
        }
        held.push_back({receiver, copyOf(*static_cast<QKeyEvent*>(event))});
        return true;
    }
};

QtKeyQueue::QtKeyQueue() : filter_(std::make_unique<Filter>()) {}

QtKeyQueue::~QtKeyQueue()
{
    if (filter_->installed && QApplication::instance() != nullptr)
        QApplication::instance()->removeEventFilter(filter_.get());
}

void QtKeyQueue::install()
{
    if (filter_->installed || QApplication::instance() == nullptr)
        return;
    QApplication::instance()->installEventFilter(filter_.get());
    filter_->installed = true;
}

bool QtKeyQueue::handOne()
{
    Filter& f = *filter_;
    while (!f.held.empty()) {
        Filter::Held next = std::move(f.held.front());
        f.held.pop_front();
        if (next.window.isNull())
            continue; // its window is gone
        f.handing = true;
        QCoreApplication::sendEvent(next.window.data(), next.key.get());
        f.handing = false;
        f.slotFree = false;
        return true;
    }
    f.slotFree = true;
    return false;
}

} // namespace veltrane

#include "qt_key_queue.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include <deque>

namespace veltrane {

namespace {

// Keys held at most: what a person typed ahead is never this long; and the
// repeats of a key held down, which the waits may not keep up with.
constexpr std::size_t MostHeld = 256;
constexpr std::size_t MostRepeatsHeld = 8;

std::unique_ptr<QKeyEvent> copyOf(const QKeyEvent& key)
{
    return std::make_unique<QKeyEvent>(key.type(), key.key(), key.modifiers(), key.nativeScanCode(),
                                       key.nativeVirtualKey(), key.nativeModifiers(), key.text(), key.isAutoRepeat(),
                                       key.count());
}

// highgui gives no key for a press with Ctrl alone held (its window's own
// shortcuts): such a press neither takes a wait's key nor waits its turn.
bool ignoredByHighgui(const QKeyEvent& key)
{
    return key.modifiers() == Qt::ControlModifier;
}

} // namespace

struct QtKeyQueue::Filter : QObject {
    struct Held {
        QPointer<QObject> window;
        std::unique_ptr<QKeyEvent> key;
    };
    std::deque<Held> held;
    bool waiting = false;  // inside a key wait
    bool slotFree = false; // and no key has gone to highgui in it yet
    bool handing = false;
    bool installed = false;

    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || handing)
            return false;
        const auto* widget = qobject_cast<QWidget*>(receiver);
        if (widget == nullptr || !widget->isWindow())
            return false; // a key on its way to a window passes its children first
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (ignoredByHighgui(key))
            return false;
        if (waiting && slotFree && held.empty()) {
            slotFree = false;
            return false;
        }
        // A key held down repeats faster than frames may come: its repeats
        // wait only while few keys do, so it stops soon after it is let go.
        // (Keys typed fast are taken for repeats too: they wait, up to that.)
        if (held.size() < (key.isAutoRepeat() ? MostRepeatsHeld : MostHeld))
            held.push_back({receiver, copyOf(key)});
        return true;
    }

    // The window a held key goes to: its own, or, closed since, any other
    // (highgui's key is one for all its windows).
    static QObject* windowFor(const Held& key)
    {
        if (!key.window.isNull())
            return key.window.data();
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible())
                return window;
        return nullptr;
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

bool QtKeyQueue::beginWait()
{
    Filter& f = *filter_;
    f.waiting = true;
    while (!f.held.empty()) {
        Filter::Held next = std::move(f.held.front());
        f.held.pop_front();
        QObject* window = Filter::windowFor(next);
        if (window == nullptr)
            continue;
        f.handing = true;
        QCoreApplication::sendEvent(window, next.key.get());
        f.handing = false;
        f.slotFree = false;
        return true;
    }
    f.slotFree = true;
    return false;
}

void QtKeyQueue::endWait()
{
    filter_->waiting = false;
    filter_->slotFree = false;
}

} // namespace veltrane

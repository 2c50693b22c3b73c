#include "qt_focus.h"

#include <QApplication>
#include <QWidget>

namespace veltrane {

bool keepKeysAtWindow(const std::string& title)
{
    if (QApplication::instance() == nullptr)
        return false;
    const QString name = QString::fromStdString(title);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowTitle() != name)
            continue;
        for (QWidget* child : window->findChildren<QWidget*>())
            child->setFocusPolicy(Qt::NoFocus);
        return true;
    }
    return false;
}

} // namespace veltrane

#include "platform/DesktopOwnWindows.h"

#include <QApplication>
#include <QWidget>

namespace {

bool isOnScreen(const QWindow &window)
{
    return window.isVisible() && window.isExposed() && window.type() != Qt::Desktop &&
           window.type() != Qt::ForeignWindow;
}

bool comesBack(const QWindow &window)
{
    const Qt::WindowType type = window.type();
    return (type == Qt::Window || type == Qt::Dialog) && !window.flags().testFlag(Qt::X11BypassWindowManagerHint);
}

// A widget's window is hidden and shown through its widget: hidden on its own,
// the window leaves the widget believing it is shown, and the widget's next
// show() does nothing.
QWidget *widgetOf(const QWindow *window)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window)
            return widget;
    }
    return nullptr;
}

void setShown(QWindow *window, bool shown)
{
    if (QWidget *widget = widgetOf(window))
        widget->setVisible(shown);
    else
        window->setVisible(shown);
}

} // namespace

DesktopOwnWindows &DesktopOwnWindows::shared()
{
    static DesktopOwnWindows windows;
    return windows;
}

QList<QPointer<QWindow>> DesktopOwnWindows::hideVisible()
{
    // Hiding one window may close or delete another (a pop-up's parent menu).
    QList<QPointer<QWindow>> windows;
    for (QWindow *window : QGuiApplication::topLevelWindows())
        windows.append(window);
    QList<QPointer<QWindow>> hidden;
    for (const QPointer<QWindow> &window : windows) {
        if (!window || !isOnScreen(*window))
            continue;
        setShown(window, false);
        if (comesBack(*window))
            hidden.append(window);
    }
    return hidden;
}

void DesktopOwnWindows::showAgain(const QList<QPointer<QWindow>> &windows)
{
    for (const QPointer<QWindow> &window : windows) {
        if (window && !window->isVisible())
            setShown(window, true);
    }
}

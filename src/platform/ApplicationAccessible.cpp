#include "platform/ApplicationAccessible.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QAccessibleObject>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QList>
#include <QPointer>
#include <QWindow>

namespace {

QList<QPointer<QObject>> &elements()
{
    static QList<QPointer<QObject>> list;
    return list;
}

class Application : public QAccessibleApplication {
public:
    int childCount() const override { return int(objects().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QObject *> all = objects();
        return index >= 0 && index < all.size() ? QAccessible::queryAccessibleInterface(all.at(index)) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(objects().indexOf(child->object())) : -1;
    }

private:
    // The windows Qt lists, the pop-ups on show among them, then our elements.
    static QList<QObject *> objects()
    {
        QList<QObject *> list;
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window->type() == Qt::Desktop || (window->type() == Qt::Popup && !window->isVisible()))
                continue;
            if (QAccessibleInterface *root = window->accessibleRoot(); root && root->object())
                list.append(root->object());
        }
        for (const QPointer<QObject> &element : elements()) {
            if (element)
                list.append(element.data());
        }
        return list;
    }
};

QAccessibleInterface *applicationFactory(const QString &, QObject *object)
{
    if (object && object == QCoreApplication::instance())
        return new Application;
    return nullptr;
}

// A pop-up coming on show is a new child of the application: say so, or a
// client that keeps the children it read would never look for it.
class PopupWatcher : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWindowType() && QAccessible::isActive()) {
            auto *window = static_cast<QWindow *>(watched);
            if (window->type() == Qt::Popup && window->accessibleRoot()) {
                QAccessibleEvent created(window->accessibleRoot(), QAccessible::ObjectCreated);
                QAccessible::updateAccessibility(&created);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void ApplicationAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(applicationFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // The watcher needs the application; install() runs again once it exists.
    static PopupWatcher *watcher = nullptr;
    if (!watcher && QCoreApplication::instance()) {
        watcher = new PopupWatcher;
        watcher->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(watcher);
    }
}

void ApplicationAccessible::addElement(QObject *element)
{
    if (!element || elements().contains(element))
        return;
    elements().append(element);
    if (QAccessible::isActive()) {
        QAccessibleEvent created(element, QAccessible::ObjectCreated);
        QAccessible::updateAccessibility(&created);
    }
}

void ApplicationAccessible::removeElement(QObject *element)
{
    elements().removeAll(element);
    elements().removeAll(QPointer<QObject>());
}

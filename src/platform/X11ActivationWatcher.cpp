#include "platform/X11ActivationWatcher.h"

#include "platform/X11Connection.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

X11ActivationWatcher::X11ActivationWatcher(QObject *parent) : ActivationWatcher(parent)
{
    // Our own activation, also where no window manager keeps _NET_ACTIVE_WINDOW.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            Q_EMIT activated();
    });
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection)
        return;
    root_ = X11Connection::rootWindow();
    activeWindowAtom_ = X11Connection::atom("_NET_ACTIVE_WINDOW");
    // The event mask on a window is per client: add ours to what Qt selected.
    const auto cookie = xcb_get_window_attributes(connection, root_);
    xcb_get_window_attributes_reply_t *attributes = xcb_get_window_attributes_reply(connection, cookie, nullptr);
    const quint32 mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    std::free(attributes);
    xcb_change_window_attributes(connection, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11ActivationWatcher::~X11ActivationWatcher()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11ActivationWatcher::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    const auto *notify = X11Connection::propertyNotify(eventType, message);
    if (!notify)
        return false;
    if (notify->window == root_ && notify->atom == activeWindowAtom_)
        Q_EMIT activated();
    // Qt watches root properties of its own; never take the event from it.
    return false;
}

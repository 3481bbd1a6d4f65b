#include "platform/X11ServerTime.h"

#include "platform/X11Connection.h"

#include "foundation/EventLoopLatch.h"

#include <QCoreApplication>
#include <QTimer>

#include <xcb/xcb.h>

X11ServerTime::X11ServerTime(QObject *parent) : QObject(parent)
{
}

X11ServerTime::~X11ServerTime()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    xcb_connection_t *connection = X11Connection::connection();
    if (connection && window_) {
        xcb_destroy_window(connection, window_);
        xcb_flush(connection);
    }
}

bool X11ServerTime::ensureWindow()
{
    if (window_)
        return true;
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection)
        return false;
    // An unmapped input-only window that only we watch: touching it wakes no
    // other client, unlike a property of the root window.
    window_ = xcb_generate_id(connection);
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window_, X11Connection::rootWindow(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    atom_ = X11Connection::atom("_RAVELOND_SERVER_TIME");
    QCoreApplication::instance()->installNativeEventFilter(this);
    return true;
}

QCoro::Task<> X11ServerTime::catchUp(std::stop_token token, std::chrono::milliseconds patience)
{
    if (token.stop_requested() || !ensureWindow())
        co_return;
    xcb_connection_t *connection = X11Connection::connection();
    // Appending nothing changes nothing but still reports a property change.
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, window_, atom_, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(connection);
    // Whichever comes first opens the latch: the event, the patience running
    // out, or a stop (which may be asked for on any thread).
    const std::shared_ptr<EventLoopLatch> latch = EventLoopLatch::create();
    const QMetaObject::Connection event = connect(this, &X11ServerTime::caughtUp, this, [latch] { latch->open(); });
    QTimer patienceOver;
    patienceOver.setSingleShot(true);
    connect(&patienceOver, &QTimer::timeout, &patienceOver, [latch] { latch->open(); });
    patienceOver.start(patience);
    const std::stop_callback onStop(token, [latch] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [latch] { latch->open(); }, Qt::QueuedConnection);
    });
    co_await latch->wait();
    disconnect(event);
}

bool X11ServerTime::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    const auto *notify = X11Connection::propertyNotify(eventType, message);
    if (!notify)
        return false;
    if (notify->window != window_ || notify->atom != atom_)
        return false;
    // Qt sets its clock from this event after the filters have seen it: tell
    // the waiters on the next turn of the event loop, when that is done.
    QMetaObject::invokeMethod(this, &X11ServerTime::caughtUp, Qt::QueuedConnection);
    return false;
}

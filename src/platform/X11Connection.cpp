#include "platform/X11Connection.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

xcb_connection_t *X11Connection::connection()
{
    // qGuiApp is a plain cast: in a process with only a QCoreApplication (a
    // second launch forwarding to the first) it would name no GUI application.
    auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    auto *x11 = gui ? gui->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

void X11Connection::flush()
{
    if (xcb_connection_t *x11 = connection())
        xcb_flush(x11);
}

std::uint32_t X11Connection::rootWindow()
{
    xcb_connection_t *x11 = connection();
    return x11 ? xcb_setup_roots_iterator(xcb_get_setup(x11)).data->root : 0;
}

std::uint32_t X11Connection::atom(const char *name)
{
    xcb_connection_t *x11 = connection();
    if (!x11)
        return 0;
    const auto cookie = xcb_intern_atom(x11, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(x11, cookie, nullptr);
    const std::uint32_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

void X11Connection::sendToWindowManager(std::uint32_t window, std::uint32_t type,
                                        const std::array<std::uint32_t, 5> &data)
{
    xcb_connection_t *x11 = connection();
    if (!x11)
        return;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(x11, 0, rootWindow(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
}

bool X11Connection::displayReachable()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    xcb_connection_t *probe = xcb_connect(nullptr, nullptr);
    const bool reachable = probe && xcb_connection_has_error(probe) == 0;
    xcb_disconnect(probe);
    return reachable;
}

const xcb_property_notify_event_t *X11Connection::propertyNotify(const QByteArray &eventType, void *message)
{
    if (eventType != "xcb_generic_event_t")
        return nullptr;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return nullptr;
    return reinterpret_cast<const xcb_property_notify_event_t *>(event);
}

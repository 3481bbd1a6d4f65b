#include "platform/X11Workspace.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void *pointer) const { std::free(pointer); }
};

template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, FreeDeleter>;

xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t *connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const auto cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    ReplyPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The first 32-bit value of a window property, if it has one of the expected type.
std::optional<quint32> cardinalProperty(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property,
                                        xcb_atom_t type)
{
    const auto cookie = xcb_get_property(connection, 0, window, property, type, 0, 1);
    ReplyPointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->type != type || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
}

bool windowExists(xcb_connection_t *connection, xcb_window_t window)
{
    const auto cookie = xcb_get_window_attributes(connection, window);
    ReplyPointer<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(connection, cookie, nullptr));
    return reply != nullptr;
}

} // namespace

std::optional<RunningApplication> X11Workspace::frontmostApplication()
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return std::nullopt;
    const xcb_atom_t activeWindowAtom = internAtom(connection, "_NET_ACTIVE_WINDOW");
    const auto window = cardinalProperty(connection, rootWindow(connection), activeWindowAtom, XCB_ATOM_WINDOW);
    // Some window managers leave the property naming a window that has since been destroyed.
    if (!window || *window == XCB_WINDOW_NONE || !windowExists(connection, *window))
        return std::nullopt;
    RunningApplication application;
    application.window = *window;
    const xcb_atom_t pidAtom = internAtom(connection, "_NET_WM_PID");
    application.processId = cardinalProperty(connection, *window, pidAtom, XCB_ATOM_CARDINAL).value_or(0);
    return application;
}

void X11Workspace::activate(const RunningApplication &application)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection || application.window == XCB_WINDOW_NONE)
        return;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = application.window;
    event.type = internAtom(connection, "_NET_ACTIVE_WINDOW");
    // Source 2: a pager-like request, which window managers honour without focus-stealing checks.
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_CURRENT_TIME;
    event.data.data32[2] = XCB_WINDOW_NONE;
    xcb_send_event(connection, 0, rootWindow(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}

#include "platform/X11Workspace.h"

#include "platform/X11Connection.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void *pointer) const { std::free(pointer); }
};

template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, FreeDeleter>;

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
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection)
        return std::nullopt;
    const xcb_atom_t activeWindowAtom = X11Connection::atom("_NET_ACTIVE_WINDOW");
    const auto window = cardinalProperty(connection, X11Connection::rootWindow(), activeWindowAtom, XCB_ATOM_WINDOW);
    // Some window managers leave the property naming a window that has since been destroyed.
    if (!window || *window == XCB_WINDOW_NONE || !windowExists(connection, *window))
        return std::nullopt;
    RunningApplication application;
    application.window = *window;
    const xcb_atom_t pidAtom = X11Connection::atom("_NET_WM_PID");
    application.processId = cardinalProperty(connection, *window, pidAtom, XCB_ATOM_CARDINAL).value_or(0);
    return application;
}

void X11Workspace::activate(const RunningApplication &application)
{
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection || application.window == XCB_WINDOW_NONE)
        return;
    // Source 2: a pager-like request, which window managers honour without focus-stealing checks.
    X11Connection::sendToWindowManager(application.window, X11Connection::atom("_NET_ACTIVE_WINDOW"),
                                       {2, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0});
    xcb_flush(connection);
}

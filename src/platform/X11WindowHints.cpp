#include "platform/X11WindowHints.h"

#include "platform/X11Connection.h"

#include <QWindow>

#include <xcb/xcb.h>

namespace {

constexpr quint32 allDesktops = 0xffffffff;
constexpr quint32 stateAdd = 1;

void sendToRoot(xcb_window_t window, xcb_atom_t type, quint32 first, quint32 second = 0, quint32 third = 0)
{
    // The fourth value: a normal application's request.
    X11Connection::sendToWindowManager(window, type, {first, second, third, 1, 0});
}

} // namespace

void X11WindowHints::floatOnEveryDesktop(QWindow *window)
{
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection || !window)
        return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t desktop = X11Connection::atom("_NET_WM_DESKTOP");
    const xcb_atom_t state = X11Connection::atom("_NET_WM_STATE");
    const xcb_atom_t sticky = X11Connection::atom("_NET_WM_STATE_STICKY");
    const xcb_atom_t skipTaskbar = X11Connection::atom("_NET_WM_STATE_SKIP_TASKBAR");
    const xcb_atom_t skipPager = X11Connection::atom("_NET_WM_STATE_SKIP_PAGER");

    // Read by the window manager when the window is mapped...
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    const xcb_atom_t states[] = {sticky, skipTaskbar, skipPager};
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 3, states);
    // ...and asked for again, which a window manager honours once it is mapped.
    sendToRoot(id, desktop, allDesktops, 1);
    sendToRoot(id, state, stateAdd, sticky, skipTaskbar);
    sendToRoot(id, state, stateAdd, skipPager);
    xcb_flush(connection);
}

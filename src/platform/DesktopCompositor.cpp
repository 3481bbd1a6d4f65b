#include "platform/DesktopCompositor.h"

#include "platform/X11Connection.h"

#include <QByteArray>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void *pointer) const { std::free(pointer); }
};

bool compositingManagerOwnsSelection(xcb_connection_t *connection, int screen)
{
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    const auto atomCookie = xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData());
    std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> atom(xcb_intern_atom_reply(connection, atomCookie, nullptr));
    // An atom nobody has interned yet names no selection anybody owns.
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    const auto ownerCookie = xcb_get_selection_owner(connection, atom->atom);
    std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> owner(
        xcb_get_selection_owner_reply(connection, ownerCookie, nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

} // namespace

bool DesktopCompositor::isRunning()
{
    const QByteArray forced = qgetenv("RAVELOND_COMPOSITOR").trimmed();
    if (forced == "1" || forced == "0")
        return forced == "1";
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection)
        return true;
    // Qt opens its one connection on the display's default screen.
    int screen = 0;
    const QByteArray display = qgetenv("DISPLAY");
    const int dot = display.lastIndexOf('.');
    if (dot > display.lastIndexOf(':'))
        screen = display.mid(dot + 1).toInt();
    return compositingManagerOwnsSelection(connection, screen);
}

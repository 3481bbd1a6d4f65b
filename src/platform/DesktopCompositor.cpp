#include "platform/DesktopCompositor.h"

#include "platform/X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QThread>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {

struct FreeDeleter {
    void operator()(void *pointer) const { std::free(pointer); }
};

// The compositing manager's selection of the screen Qt opened its connection
// on (_NET_WM_CM_S<screen>), none when nobody has interned it yet.
xcb_atom_t compositorSelection(xcb_connection_t *connection, bool create)
{
    // Qt opens its one connection on the display's default screen.
    int screen = 0;
    const QByteArray display = qgetenv("DISPLAY");
    const int dot = display.lastIndexOf('.');
    if (dot > display.lastIndexOf(':'))
        screen = display.mid(dot + 1).toInt();
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    const auto cookie = xcb_intern_atom(connection, create ? 0 : 1, uint16_t(name.size()), name.constData());
    std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> atom(xcb_intern_atom_reply(connection, cookie, nullptr));
    return atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool selectionOwned(xcb_connection_t *connection, xcb_atom_t selection)
{
    // An atom nobody has interned yet names no selection anybody owns.
    if (selection == XCB_ATOM_NONE)
        return false;
    const auto cookie = xcb_get_selection_owner(connection, selection);
    std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> owner(
        xcb_get_selection_owner_reply(connection, cookie, nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

// Asks the server once, then follows the selection's changes of hands, which
// XFixes reports as events: every later question is answered without a
// round trip (it is asked on every repaint watch and every panel paint).
class CompositorWatch final : public QAbstractNativeEventFilter {
public:
    explicit CompositorWatch(xcb_connection_t *connection)
    {
        const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
        if (!xfixes || !xfixes->present)
            return;
        // Qt has agreed on the extension's version on this connection already.
        selection_ = compositorSelection(connection, true);
        notifyEvent_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
        const uint32_t mask = XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE;
        xcb_xfixes_select_selection_input(connection, X11Connection::rootWindow(), selection_, mask);
        // Selected before it is asked: a change from now on is reported.
        owned_ = selectionOwned(connection, selection_);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    // None while it cannot follow the selection (no XFixes).
    std::optional<bool> owned() const { return owned_; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != notifyEvent_)
            return false;
        const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
        if (notify->selection == selection_)
            owned_ = notify->owner != XCB_WINDOW_NONE;
        return false;
    }

private:
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    uint8_t notifyEvent_ = 0;
    std::optional<bool> owned_;
};

} // namespace

bool DesktopCompositor::isRunning()
{
    const QByteArray forced = qgetenv("RAVELOND_COMPOSITOR").trimmed();
    if (forced == "1" || forced == "0")
        return forced == "1";
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection)
        return true;
    // The events that keep the answer current arrive on the GUI thread.
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread()) {
        static CompositorWatch watch(connection);
        if (const std::optional<bool> owned = watch.owned())
            return *owned;
    }
    return selectionOwned(connection, compositorSelection(connection, false));
}

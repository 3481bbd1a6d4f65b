#include "platform/X11PointerButtons.h"

#include "platform/X11Connection.h"

#include <QCoreApplication>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>

namespace {

bool isMainButton(quint32 detail)
{
    return detail >= 1 && detail <= 3;
}

// The master pointer this client's pointer requests speak of; 0 when the
// server cannot say.
quint16 clientPointer(xcb_connection_t *connection)
{
    const auto cookie = xcb_input_xi_get_client_pointer(connection, XCB_NONE);
    xcb_input_xi_get_client_pointer_reply_t *reply = xcb_input_xi_get_client_pointer_reply(connection, cookie, nullptr);
    const quint16 device = reply && reply->set ? reply->deviceid : 0;
    std::free(reply);
    return device;
}

} // namespace

X11PointerButtons::X11PointerButtons(QObject *parent) : QObject(parent)
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->installNativeEventFilter(this);
}

X11PointerButtons::~X11PointerButtons()
{
    watch(false);
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeNativeEventFilter(this);
}

void X11PointerButtons::watch(bool on)
{
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection || on == isWatching())
        return;
    // Known to the connection since Qt asked for XInput at start-up: no round trip.
    const xcb_query_extension_reply_t *input = xcb_get_extension_data(connection, &xcb_input_id);
    if (!input || !input->present)
        return;
    if (on && !device_)
        device_ = clientPointer(connection);
    if (!device_)
        return;
    select(device_, on);
    xcb_flush(connection);
    inputOpcode_ = on ? input->major_opcode : 0;
}

void X11PointerButtons::select(quint16 device, bool on)
{
    struct {
        xcb_input_event_mask_t head;
        quint32 mask;
    } selection{{device, 1},
                on ? quint32(XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE)
                   : 0u};
    xcb_input_xi_select_events(X11Connection::connection(), X11Connection::rootWindow(), 1, &selection.head);
}

bool X11PointerButtons::anyHeld()
{
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection)
        return false;
    const auto cookie = xcb_query_pointer(connection, X11Connection::rootWindow());
    xcb_query_pointer_reply_t *reply = xcb_query_pointer_reply(connection, cookie, nullptr);
    const bool held =
        reply && (reply->mask & (XCB_KEY_BUT_MASK_BUTTON_1 | XCB_KEY_BUT_MASK_BUTTON_2 | XCB_KEY_BUT_MASK_BUTTON_3));
    std::free(reply);
    return held;
}

bool X11PointerButtons::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (!inputOpcode_ || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
        return false;
    const auto *raw = reinterpret_cast<const xcb_input_raw_button_press_event_t *>(event);
    if (raw->extension != inputOpcode_ ||
        (raw->event_type != XCB_INPUT_RAW_BUTTON_PRESS && raw->event_type != XCB_INPUT_RAW_BUTTON_RELEASE))
        return false;
    if (isMainButton(raw->detail)) {
        if (raw->event_type == XCB_INPUT_RAW_BUTTON_PRESS)
            Q_EMIT pressed();
        else
            Q_EMIT released();
    }
    // Ours alone: Qt would take other applications' clicks for our user's.
    return true;
}

#include "platform/X11HotKeyGrabber.h"

#include "platform/X11Connection.h"

#include <QCoreApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr quint32 numLockKeysym = 0xff7f;
constexpr quint16 capsLockMask = XCB_MOD_MASK_LOCK;

struct KeySymbolsDeleter {
    void operator()(xcb_key_symbols_t *symbols) const { xcb_key_symbols_free(symbols); }
};

QList<quint8> keycodesOf(xcb_key_symbols_t *symbols, quint32 keysym)
{
    QList<quint8> codes;
    xcb_keycode_t *found = xcb_key_symbols_get_keycode(symbols, keysym);
    for (xcb_keycode_t *code = found; code && *code != XCB_NO_SYMBOL; ++code) {
        if (!codes.contains(*code))
            codes.append(*code);
    }
    std::free(found);
    return codes;
}

// The modifier bit NumLock sets; Mod2 on nearly every keyboard map.
quint16 numLockMask(xcb_connection_t *connection, xcb_key_symbols_t *symbols)
{
    const QList<quint8> numLockCodes = keycodesOf(symbols, numLockKeysym);
    const auto cookie = xcb_get_modifier_mapping(connection);
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> reply(
        xcb_get_modifier_mapping_reply(connection, cookie, nullptr), &std::free);
    if (!reply || numLockCodes.isEmpty())
        return XCB_MOD_MASK_2;
    const xcb_keycode_t *map = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (numLockCodes.contains(map[modifier * perModifier + i]))
                return quint16(1u << modifier);
        }
    }
    return XCB_MOD_MASK_2;
}

} // namespace

X11HotKeyGrabber::X11HotKeyGrabber(QObject *parent) : HotKeyGrabber(parent)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyGrabber::~X11HotKeyGrabber()
{
    release();
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11HotKeyGrabber::sessionCanGrab()
{
    // XWayland's root window sees only X11 clients' keys: a grab there would
    // look fine and never fire.
    if (qEnvironmentVariable("XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0)
        return false;
    return X11Connection::connection() != nullptr;
}

bool X11HotKeyGrabber::grab(const HotKeyChord &chord)
{
    release();
    if (!sessionCanGrab())
        return false;
    xcb_connection_t *connection = X11Connection::connection();
    // One copy of the keyboard map (a round trip) for the chord's key and NumLock.
    const std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter> symbols(xcb_key_symbols_alloc(connection));
    if (!symbols)
        return false;
    const QList<quint8> codes = keycodesOf(symbols.get(), chord.keysym);
    if (codes.isEmpty())
        return false;
    const quint16 numLock = numLockMask(connection, symbols.get());
    const QList<quint16> variants{0, capsLockMask, numLock, quint16(capsLockMask | numLock)};

    QList<xcb_void_cookie_t> cookies;
    for (quint8 code : codes) {
        for (quint16 variant : variants)
            cookies.append(xcb_grab_key_checked(connection, 1, X11Connection::rootWindow(),
                                                quint16(chord.modifiers | variant), code, XCB_GRAB_MODE_ASYNC,
                                                XCB_GRAB_MODE_ASYNC));
    }
    bool refused = false;
    for (const xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t *error = xcb_request_check(connection, cookie)) {
            refused = true;
            std::free(error);
        }
    }
    keycodes_ = codes;
    modifiers_ = chord.modifiers;
    variants_ = variants;
    if (refused) {
        // Half a hot key would be worse than none: give back what was granted.
        release();
        return false;
    }
    watchRawPresses(true);
    return true;
}

void X11HotKeyGrabber::release()
{
    xcb_connection_t *connection = X11Connection::connection();
    if (connection && !keycodes_.isEmpty()) {
        for (quint8 code : std::as_const(keycodes_)) {
            for (quint16 variant : std::as_const(variants_))
                xcb_ungrab_key(connection, code, X11Connection::rootWindow(), quint16(modifiers_ | variant));
        }
        xcb_flush(connection);
    }
    watchRawPresses(false);
    keycodes_.clear();
    variants_.clear();
    modifiers_ = 0;
}

void X11HotKeyGrabber::watchRawPresses(bool watch)
{
    freshPresses_.clear();
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection || watch == (inputOpcode_ != 0))
        return;
    // Known to the connection since Qt asked for XInput at start-up: no round trip.
    const xcb_query_extension_reply_t *input = xcb_get_extension_data(connection, &xcb_input_id);
    if (!input || !input->present)
        return;
    struct {
        xcb_input_event_mask_t head;
        quint32 mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, watch ? quint32(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS) : 0u};
    xcb_input_xi_select_events(connection, X11Connection::rootWindow(), 1, &selection.head);
    xcb_flush(connection);
    inputOpcode_ = watch ? input->major_opcode : 0;
}

bool X11HotKeyGrabber::isRepeat(quint8 keycode)
{
    // Without raw presses (an X server without XInput 2) every press counts.
    return rawPressesArrive_ && !freshPresses_.remove(keycode);
}

bool X11HotKeyGrabber::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (keycodes_.isEmpty() || eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) == XCB_GE_GENERIC) {
        // The raw press of a key comes just before the key event it makes.
        const auto *raw = reinterpret_cast<const xcb_input_raw_key_press_event_t *>(event);
        if (inputOpcode_ && raw->extension == inputOpcode_ && raw->event_type == XCB_INPUT_RAW_KEY_PRESS) {
            rawPressesArrive_ = true;
            if (keycodes_.contains(quint8(raw->detail)))
                freshPresses_.insert(quint8(raw->detail));
            // Ours alone: Qt would take the typing in other applications for our user's last action.
            return true;
        }
        return false;
    }
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    auto *press = reinterpret_cast<xcb_key_press_event_t *>(event);
    if (!keycodes_.contains(press->detail) || (press->state & HotKeyChord::significant) != modifiers_)
        return false;
    // Consumed either way: no window of ours should also take it as typing.
    if (isRepeat(press->detail))
        return true;
    Q_EMIT pressed();
    return true;
}

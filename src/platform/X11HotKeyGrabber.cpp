#include "platform/X11HotKeyGrabber.h"

#include "platform/X11Connection.h"

#include <QCoreApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>
// The keyboard extension's header names a field after a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

constexpr quint32 numLockKeysym = 0xff7f;
constexpr quint16 capsLockMask = XCB_MOD_MASK_LOCK;
// The X server's own default, for a server without the keyboard extension.
constexpr quint32 defaultRepeatDelay = 660;
// Slack for a repeat the server sends late while it is busy.
constexpr quint32 repeatSlack = 250;

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

struct XkbDeleter {
    void operator()(xkb_context *context) const { xkb_context_unref(context); }
    void operator()(xkb_keymap *keymap) const { xkb_keymap_unref(keymap); }
    void operator()(xkb_state *state) const { xkb_state_unref(state); }
};

bool givesSymbol(xkb_keymap *keymap, xkb_keycode_t code, xkb_layout_index_t layout, quint32 keysym)
{
    const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, layout);
    for (xkb_level_index_t level = 0; level < levels; ++level) {
        const xkb_keysym_t *symbols = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, code, layout, level, &symbols);
        if (std::find(symbols, symbols + std::max(count, 0), keysym) != symbols + std::max(count, 0))
            return true;
    }
    return false;
}

// The keycodes that give `keysym`, on any shift level, in the keyboard layout
// in use. A grab holds a keycode whichever layout is active, so a key that
// gives the symbol only in another layout would take a different chord from
// everyone else (Ctrl+Alt+I, when Dvorak is the second layout). Empty when
// the server has no keyboard extension.
std::optional<QList<quint8>> keycodesInLayoutInUse(xcb_connection_t *connection, quint32 keysym)
{
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
        return std::nullopt;
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    const std::unique_ptr<xkb_context, XkbDeleter> context(
        xkb_context_new(xkb_context_flags(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES)));
    if (device < 0 || !context)
        return std::nullopt;
    const std::unique_ptr<xkb_keymap, XkbDeleter> keymap(
        xkb_x11_keymap_new_from_device(context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return std::nullopt;
    const std::unique_ptr<xkb_state, XkbDeleter> state(xkb_x11_state_new_from_device(keymap.get(), connection, device));
    if (!state)
        return std::nullopt;
    QList<quint8> codes;
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap.get()), 255);
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap.get()); code <= last; ++code) {
        const xkb_layout_index_t layout = xkb_state_key_get_layout(state.get(), code);
        if (layout != XKB_LAYOUT_INVALID && givesSymbol(keymap.get(), code, layout, keysym))
            codes.append(quint8(code));
    }
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

// How long after a press the keyboard's auto-repeat may send the next one: its
// delay before the first repeat, in milliseconds.
quint32 repeatDelay(xcb_connection_t *connection)
{
    // Qt enabled the keyboard extension on this connection: no round trip to learn whether it exists.
    const xcb_query_extension_reply_t *keyboard = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (!keyboard || !keyboard->present)
        return defaultRepeatDelay;
    std::unique_ptr<xcb_xkb_get_controls_reply_t, decltype(&std::free)> controls(
        xcb_xkb_get_controls_reply(connection, xcb_xkb_get_controls(connection, XCB_XKB_ID_USE_CORE_KBD), nullptr),
        &std::free);
    if (!controls)
        return defaultRepeatDelay;
    return std::max<quint32>(controls->repeatDelay, controls->repeatInterval);
}

bool isKeymapChange(const xcb_generic_event_t *event)
{
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY)
        return reinterpret_cast<const xcb_mapping_notify_event_t *>(event)->request != XCB_MAPPING_POINTER;
    // Qt asks for the keyboard extension's notifications for its own keyboard.
    const xcb_query_extension_reply_t *xkb = xcb_get_extension_data(X11Connection::connection(), &xcb_xkb_id);
    if (!xkb || !xkb->present || type != xkb->first_event)
        return false;
    switch (reinterpret_cast<const xcb_xkb_map_notify_event_t *>(event)->xkbType) {
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
    case XCB_XKB_MAP_NOTIFY:
        return true;
    case XCB_XKB_STATE_NOTIFY:
        // Another layout of the map became the one in use.
        return reinterpret_cast<const xcb_xkb_state_notify_event_t *>(event)->changed & XCB_XKB_STATE_PART_GROUP_STATE;
    default:
        return false;
    }
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
    wanted_ = chord;
    if (!take(chord)) {
        wanted_.reset();
        return false;
    }
    return true;
}

bool X11HotKeyGrabber::take(const HotKeyChord &chord)
{
    xcb_connection_t *connection = X11Connection::connection();
    // One copy of the keyboard map (a round trip) for NumLock, and for the
    // chord's key on a server without the keyboard extension.
    const std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter> symbols(xcb_key_symbols_alloc(connection));
    if (!symbols)
        return false;
    const QList<quint8> codes =
        keycodesInLayoutInUse(connection, chord.keysym).value_or(keycodesOf(symbols.get(), chord.keysym));
    if (codes.isEmpty())
        return false;
    const quint16 numLock = numLockMask(connection, symbols.get());
    const QList<quint16> variants{0, capsLockMask, numLock, quint16(capsLockMask | numLock)};
    if (codes == keycodes_ && variants == variants_ && chord.modifiers == modifiers_)
        return true;
    giveBack();

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
        giveBack();
        return false;
    }
    repeatWindow_ = repeatDelay(connection) + repeatSlack;
    return true;
}

void X11HotKeyGrabber::release()
{
    wanted_.reset();
    giveBack();
}

void X11HotKeyGrabber::giveBack()
{
    xcb_connection_t *connection = X11Connection::connection();
    if (connection && !keycodes_.isEmpty()) {
        for (quint8 code : std::as_const(keycodes_)) {
            for (quint16 variant : std::as_const(variants_))
                xcb_ungrab_key(connection, code, X11Connection::rootWindow(), quint16(modifiers_ | variant));
        }
        xcb_flush(connection);
    }
    keys_.clear();
    watchReleases(false);
    keycodes_.clear();
    variants_.clear();
    modifiers_ = 0;
}

void X11HotKeyGrabber::followKeymap()
{
    followPending_ = false;
    if (!wanted_)
        return;
    const QList<quint8> before = keycodes_;
    // Refused now (another application took the chord's new keys): nothing
    // is held until a later change of the map lets it be taken again.
    const bool held = take(*wanted_);
    if (keycodes_ != before)
        Q_EMIT followedKeymap(held);
}

bool X11HotKeyGrabber::isRepeat(const xcb_key_press_event_t &press)
{
    KeyState &key = keys_[press.detail];
    // Auto-repeat comes either as presses while the key stays down, or, for
    // a client that did not ask otherwise, as a release and a press stamped
    // with the same time. A release this client never saw (the keyboard left
    // one of our grabs while the key was down) leaves the key looking held:
    // a press after the repeat delay is then taken as a new one.
    const bool pairedWithRelease = !key.down && key.releasedAt == press.time;
    const bool whileHeld = key.down && quint32(press.time - key.pressedAt) <= repeatWindow_;
    key.down = true;
    key.pressedAt = press.time;
    watchReleases(true);
    return pairedWithRelease || whileHeld;
}

void X11HotKeyGrabber::noteRelease(quint8 keycode, xcb_timestamp_t time)
{
    const auto key = keys_.find(keycode);
    if (key == keys_.end())
        return;
    key->down = false;
    key->releasedAt = time;
    if (std::none_of(keys_.cbegin(), keys_.cend(), [](const KeyState &state) { return state.down; }))
        watchReleases(false);
}

void X11HotKeyGrabber::watchReleases(bool watch)
{
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
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, watch ? quint32(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE) : 0u};
    xcb_input_xi_select_events(connection, X11Connection::rootWindow(), 1, &selection.head);
    xcb_flush(connection);
    inputOpcode_ = watch ? input->major_opcode : 0;
}

bool X11HotKeyGrabber::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (!wanted_ || eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    if (isKeymapChange(event)) {
        // One change of the map comes as several notifications: the keys are
        // looked up once, after all of them.
        if (!followPending_)
            QMetaObject::invokeMethod(this, &X11HotKeyGrabber::followKeymap, Qt::QueuedConnection);
        followPending_ = true;
        return false;
    }
    if (keycodes_.isEmpty())
        return false;
    const int type = event->response_type & 0x7f;
    if (type == XCB_KEY_RELEASE) {
        // From outside only the chord's keys reach us: its grab lasts until they are released.
        const auto *release = reinterpret_cast<const xcb_key_release_event_t *>(event);
        noteRelease(release->detail, release->time);
        return false;
    }
    if (type == XCB_GE_GENERIC) {
        // While a chord key is down, its release wherever the keyboard then
        // goes (our overlay may have let it go before the key came up).
        const auto *raw = reinterpret_cast<const xcb_input_raw_key_release_event_t *>(event);
        if (!inputOpcode_ || raw->extension != inputOpcode_ || raw->event_type != XCB_INPUT_RAW_KEY_RELEASE)
            return false;
        noteRelease(quint8(raw->detail), raw->time);
        // Ours alone: Qt would take the typing in other applications for our user's last action.
        return true;
    }
    if (type != XCB_KEY_PRESS)
        return false;
    auto *press = reinterpret_cast<xcb_key_press_event_t *>(event);
    if (!keycodes_.contains(press->detail) || (press->state & HotKeyChord::significant) != modifiers_)
        return false;
    // Consumed either way: no window of ours should also take it as typing.
    if (isRepeat(*press))
        return true;
    Q_EMIT pressed();
    return true;
}

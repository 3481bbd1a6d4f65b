#include "platform/X11HotKeyGrabber.h"

#include "platform/X11Connection.h"

#include <QCoreApplication>

#include <xcb/xcb.h>
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

// The keycodes that give `keysym`, on any shift level, in `layout` of
// `keymap` (the layout in use): a grab holds a keycode whichever layout is
// active, so a key that gives the symbol only in another layout would take a
// different chord from everyone else (Ctrl+Alt+I, when Dvorak is the second
// layout). No round trip to the server.
QList<quint8> keycodesInLayout(xkb_keymap *keymap, xkb_layout_index_t layout, quint32 keysym)
{
    const std::unique_ptr<xkb_state, XkbDeleter> state(xkb_state_new(keymap));
    if (!state)
        return {};
    xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, layout);
    QList<quint8> codes;
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap), 255);
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= last; ++code) {
        const xkb_layout_index_t keyLayout = xkb_state_key_get_layout(state.get(), code);
        if (keyLayout != XKB_LAYOUT_INVALID && givesSymbol(keymap, code, keyLayout, keysym))
            codes.append(quint8(code));
    }
    return codes;
}

// The core keyboard map and modifier map, both asked for before either is
// waited for. Their bytes tell whether a new keyboard brought another map.
struct CoreKeyboard {
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> keys{nullptr, &std::free};
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> modifiers{nullptr, &std::free};
    QByteArray bytes;

    explicit CoreKeyboard(xcb_connection_t *connection)
    {
        const xcb_setup_t *setup = xcb_get_setup(connection);
        const auto keysCookie = xcb_get_keyboard_mapping(connection, setup->min_keycode,
                                                         quint8(setup->max_keycode - setup->min_keycode + 1));
        const auto modifiersCookie = xcb_get_modifier_mapping(connection);
        keys.reset(xcb_get_keyboard_mapping_reply(connection, keysCookie, nullptr));
        modifiers.reset(xcb_get_modifier_mapping_reply(connection, modifiersCookie, nullptr));
        if (keys) {
            bytes.append(reinterpret_cast<const char *>(xcb_get_keyboard_mapping_keysyms(keys.get())),
                         xcb_get_keyboard_mapping_keysyms_length(keys.get()) * qsizetype(sizeof(xcb_keysym_t)));
        }
        if (modifiers) {
            bytes.append(reinterpret_cast<const char *>(xcb_get_modifier_mapping_keycodes(modifiers.get())),
                         xcb_get_modifier_mapping_keycodes_length(modifiers.get()));
        }
    }

    // The keycodes with `keysym` in any column.
    QList<quint8> keycodesOf(xcb_connection_t *connection, quint32 keysym) const
    {
        QList<quint8> codes;
        if (!keys || keys->keysyms_per_keycode == 0)
            return codes;
        const xcb_keysym_t *symbols = xcb_get_keyboard_mapping_keysyms(keys.get());
        const int count = xcb_get_keyboard_mapping_keysyms_length(keys.get());
        const int perKey = keys->keysyms_per_keycode;
        const int first = xcb_get_setup(connection)->min_keycode;
        for (int index = 0; index < count; ++index) {
            const quint8 code = quint8(first + index / perKey);
            if (symbols[index] == keysym && !codes.contains(code))
                codes.append(code);
        }
        return codes;
    }

    // The modifier bit NumLock sets; Mod2 on nearly every keyboard map.
    quint16 numLockMask(xcb_connection_t *connection) const
    {
        const QList<quint8> numLockCodes = keycodesOf(connection, numLockKeysym);
        if (!modifiers || numLockCodes.isEmpty())
            return XCB_MOD_MASK_2;
        const xcb_keycode_t *map = xcb_get_modifier_mapping_keycodes(modifiers.get());
        const int perModifier = modifiers->keycodes_per_modifier;
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                if (numLockCodes.contains(map[modifier * perModifier + i]))
                    return quint16(1u << modifier);
            }
        }
        return XCB_MOD_MASK_2;
    }
};

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

// What an event says of the keyboard: nothing, a new map, another keyboard
// (whose map may be the same), or a switch to another of the map's layouts
// (which one, in `layout`).
enum class KeyboardChange { none, map, keyboard, layout };

KeyboardChange keyboardChangeOf(const xcb_generic_event_t *event, quint32 &layout)
{
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        return reinterpret_cast<const xcb_mapping_notify_event_t *>(event)->request != XCB_MAPPING_POINTER
                   ? KeyboardChange::map
                   : KeyboardChange::none;
    }
    // Qt asks for the keyboard extension's notifications for its own keyboard.
    const xcb_query_extension_reply_t *xkb = xcb_get_extension_data(X11Connection::connection(), &xcb_xkb_id);
    if (!xkb || !xkb->present || type != xkb->first_event)
        return KeyboardChange::none;
    switch (reinterpret_cast<const xcb_xkb_map_notify_event_t *>(event)->xkbType) {
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
        // Sent whenever the keys come from another device than the last
        // (another program typing through XTEST, say), mostly with the same map.
        return KeyboardChange::keyboard;
    case XCB_XKB_MAP_NOTIFY:
        return KeyboardChange::map;
    case XCB_XKB_STATE_NOTIFY: {
        const auto *state = reinterpret_cast<const xcb_xkb_state_notify_event_t *>(event);
        if (!(state->changed & XCB_XKB_STATE_PART_GROUP_STATE))
            return KeyboardChange::none;
        layout = state->group;
        return KeyboardChange::layout;
    }
    default:
        return KeyboardChange::none;
    }
}

} // namespace

X11HotKeyGrabber::X11HotKeyGrabber(QObject *parent) : HotKeyGrabber(parent)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

void X11HotKeyGrabber::XkbFree::operator()(xkb_context *context) const
{
    xkb_context_unref(context);
}

void X11HotKeyGrabber::XkbFree::operator()(xkb_keymap *keymap) const
{
    xkb_keymap_unref(keymap);
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
    keymapStale_ = true;
    if (!take(chord)) {
        wanted_.reset();
        return false;
    }
    return true;
}

void X11HotKeyGrabber::loadKeymap(xcb_connection_t *connection)
{
    keymap_.reset();
    // The extension set up and the core keyboard's id asked for once: both last as long as the connection.
    if (!xkbContext_) {
        if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                         XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
            return;
        xkbDevice_ = xkb_x11_get_core_keyboard_device_id(connection);
        xkbContext_.reset(
            xkb_context_new(xkb_context_flags(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES)));
    }
    const std::int32_t device = xkbDevice_;
    if (device < 0 || !xkbContext_)
        return;
    keymap_.reset(xkb_x11_keymap_new_from_device(xkbContext_.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap_)
        return;
    const std::unique_ptr<xkb_state, XkbDeleter> state(
        xkb_x11_state_new_from_device(keymap_.get(), connection, device));
    if (!state) {
        keymap_.reset();
        return;
    }
    layout_ = xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE);
}

bool X11HotKeyGrabber::take(const HotKeyChord &chord)
{
    xcb_connection_t *connection = X11Connection::connection();
    std::optional<CoreKeyboard> core;
    // Another keyboard: one look at its core map tells whether anything is to be read again.
    if (keyboardReplaced_ && !keymapStale_) {
        core.emplace(connection);
        keymapStale_ = core->bytes != coreBytes_;
    }
    keyboardReplaced_ = false;
    // Round trips only for a new map: a switch of layout looks the keys up in the map at hand.
    if (keymapStale_) {
        loadKeymap(connection);
        if (!core)
            core.emplace(connection);
        coreBytes_ = core->bytes;
        numLock_ = core->numLockMask(connection);
        // Without the keyboard extension the core map is all there is.
        coreCodes_ = keymap_ ? QList<quint8>() : core->keycodesOf(connection, chord.keysym);
        keymapStale_ = false;
    }
    const QList<quint8> codes = keymap_ ? keycodesInLayout(keymap_.get(), layout_, chord.keysym) : coreCodes_;
    if (codes.isEmpty())
        return false;
    const QList<quint16> variants{0, capsLockMask, numLock_, quint16(capsLockMask | numLock_)};
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
    quint32 layout = 0;
    const KeyboardChange change = keyboardChangeOf(event, layout);
    if (change != KeyboardChange::none) {
        if (change == KeyboardChange::map) {
            keymapStale_ = true;
        } else if (change == KeyboardChange::keyboard) {
            keyboardReplaced_ = true;
        } else {
            // Another program may switch the layout around all its typing:
            // a switch back to the layout the keys were looked up in costs nothing.
            if (layout == layout_)
                return false;
            layout_ = layout;
        }
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

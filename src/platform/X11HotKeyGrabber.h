#pragma once

#include "platform/HotKeyGrabber.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QHash>
#include <QList>

#include <xcb/xproto.h>

#include <cstdint>
#include <memory>
#include <optional>

struct xkb_context;
struct xkb_keymap;

// Passive key grabs on the root window, one per lock-key variant of the chord
// (none, CapsLock, NumLock, both) and per keycode that yields its key symbol
// in the keyboard layout in use. When the keyboard map changes (another
// layout, another map, a switch between the map's layouts) the chord's keys
// are looked up again and the grabs moved to them, so the chord follows its
// key symbol and no key that no longer yields it stays taken.
// A press is recognised by keycode and the four significant modifiers,
// exactly, wherever the X server delivers it: at the root for the passive
// grab, and at our own window while one of ours holds the keyboard (an active
// grab suspends every passive one, so the selection overlay would otherwise
// never see the chord). A held chord counts once: the keyboard's auto-repeat
// sends further presses, told apart by the chord key's own releases and the
// keyboard's repeat delay. Releases are watched at the root only while a key
// of the chord is down (our overlay may let the keyboard go before it comes
// up); otherwise nothing but the chord is listened for, so other
// applications' typing never reaches this process. Under Wayland, or without
// an X11 connection, every grab is refused, so the caller learns that no hot
// key exists.
class X11HotKeyGrabber final : public HotKeyGrabber, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11HotKeyGrabber(QObject *parent = nullptr);
    ~X11HotKeyGrabber() override;

    bool grab(const HotKeyChord &chord) override;
    void release() override;

    static bool sessionCanGrab();

private:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    struct XkbFree {
        void operator()(xkb_context *context) const;
        void operator()(xkb_keymap *keymap) const;
    };

    // Grabs the chord's keys in the present map, first giving back the keys
    // held that are not among them; false, with nothing held, when refused.
    bool take(const HotKeyChord &chord);
    // Reads the keyboard map and the layout in use from the server; no map without the keyboard extension.
    void loadKeymap(xcb_connection_t *connection);
    void giveBack();
    void followKeymap();
    bool isRepeat(const xcb_key_press_event_t &press);
    void noteRelease(quint8 keycode, xcb_timestamp_t time);
    // Raw releases of every key, asked for only while a key of the chord is down.
    void watchReleases(bool watch);

    struct KeyState {
        bool down = false;
        xcb_timestamp_t pressedAt = 0;
        xcb_timestamp_t releasedAt = 0;
    };

    // The chord asked for, held or not, while it is ours to follow.
    std::optional<HotKeyChord> wanted_;
    bool followPending_ = false;
    std::unique_ptr<xkb_context, XkbFree> xkbContext_;
    std::int32_t xkbDevice_ = -1;
    // The keyboard map as last read, its layout in use as the server last
    // reported it, NumLock's modifier bit in it, and the bytes of its core
    // form (with the chord's keys in it, without the keyboard extension).
    std::unique_ptr<xkb_keymap, XkbFree> keymap_;
    quint32 layout_ = 0;
    quint16 numLock_ = 0;
    QByteArray coreBytes_;
    QList<quint8> coreCodes_;
    // The map is to be read again; another keyboard came, whose map may be the same.
    bool keymapStale_ = true;
    bool keyboardReplaced_ = false;
    QList<quint8> keycodes_;
    quint16 modifiers_ = 0;
    QList<quint16> variants_;
    // The chord's keys as last seen pressed and released, by keycode.
    QHash<quint8, KeyState> keys_;
    // How long after a press of a held key the next press is still its repeat.
    quint32 repeatWindow_ = 0;
    // XInput's opcode while releases are watched, else 0.
    quint8 inputOpcode_ = 0;
};

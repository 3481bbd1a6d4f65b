#pragma once

#include "platform/HotKeyGrabber.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>

#include <xcb/xproto.h>

// Passive key grabs on the root window, one per lock-key variant of the chord
// (none, CapsLock, NumLock, both) and per keycode that yields its key symbol.
// A press is recognised by keycode and the four significant modifiers,
// exactly, wherever the X server delivers it: at the root for the passive
// grab, and at our own window while one of ours holds the keyboard (an active
// grab suspends every passive one, so the selection overlay would otherwise
// never see the chord). A held chord counts once: the keyboard's auto-repeat
// sends further presses, told apart by the chord key's own releases and the
// keyboard's repeat delay. Nothing but the chord is listened for, so other
// applications' typing never reaches this process. Under Wayland, or without
// an X11 connection, every grab is refused, so the caller learns that no hot
// key exists.
class X11HotKeyGrabber final : public HotKeyGrabber, private QAbstractNativeEventFilter {
public:
    explicit X11HotKeyGrabber(QObject *parent = nullptr);
    ~X11HotKeyGrabber() override;

    bool grab(const HotKeyChord &chord) override;
    void release() override;

    static bool sessionCanGrab();

private:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    bool isRepeat(const xcb_key_press_event_t &press);
    void noteRelease(const xcb_key_release_event_t &release);

    struct KeyState {
        bool down = false;
        xcb_timestamp_t pressedAt = 0;
        xcb_timestamp_t releasedAt = 0;
    };

    QList<quint8> keycodes_;
    quint16 modifiers_ = 0;
    QList<quint16> variants_;
    // The chord's keys as last seen pressed and released, by keycode.
    QHash<quint8, KeyState> keys_;
    // How long after a press of a held key the next press is still its repeat.
    quint32 repeatWindow_ = 0;
};

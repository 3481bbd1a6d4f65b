#pragma once

#include <QtGlobal>

// A system-wide key combination as the X server knows it: one key symbol and
// the modifiers that must be held with it, nothing more and nothing less
// (CapsLock and NumLock do not count).
struct HotKeyChord {
    // Modifier bits of the X11 key state.
    static constexpr quint16 shift = 0x0001;
    static constexpr quint16 control = 0x0004;
    static constexpr quint16 alt = 0x0008;   // Mod1
    static constexpr quint16 super = 0x0040; // Mod4
    // The modifiers a chord may use; every other bit of a key state is ignored.
    static constexpr quint16 significant = shift | control | alt | super;

    quint32 keysym = 0;
    quint16 modifiers = 0;

    friend bool operator==(const HotKeyChord &, const HotKeyChord &) = default;
};

#pragma once

#include "platform/HotKeyGrabber.h"

#include <QList>

#include <optional>

// Records every grab; refuses the chords it is told to, as a desktop does
// when another application holds them.
class FakeHotKeyGrabber final : public HotKeyGrabber {
public:
    bool grab(const HotKeyChord &chord) override
    {
        grabs.append(chord);
        held = refused.contains(chord) ? std::nullopt : std::optional(chord);
        return held.has_value();
    }
    void release() override { held.reset(); }
    void press() { Q_EMIT pressed(); }
    // The keyboard map changed: the held chord moves, or is refused on its new keys.
    void changeKeymap(bool refused)
    {
        if (refused)
            held.reset();
        Q_EMIT followedKeymap(!refused);
    }

    QList<HotKeyChord> grabs;
    QList<HotKeyChord> refused;
    std::optional<HotKeyChord> held;
};

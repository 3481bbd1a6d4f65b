#pragma once

#include "platform/HotKeyChord.h"

#include <QObject>

// Holds at most one system-wide key chord and reports its presses.
class HotKeyGrabber : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Takes the chord whatever the state of CapsLock and NumLock; false, with
    // nothing taken, when the desktop refuses any part of it (another
    // application holds it, or the session cannot grab keys at all).
    virtual bool grab(const HotKeyChord &chord) = 0;
    // Gives the chord back; harmless when none is held.
    virtual void release() = 0;

Q_SIGNALS:
    // The chord was pressed; sent while the key event is being dispatched.
    void pressed();
    // The keyboard map changed under the chord and it was taken again on its
    // new keys (`held`), or refused there (another application has them):
    // then nothing is held until a later change lets it be taken.
    void followedKeymap(bool held);
};

#pragma once

#include "models/ShortcutPreset.h"
#include "platform/HotKeyChord.h"

#include <QObject>

#include <functional>

class HotKeyGrabber;

// The program's one system-wide hot key. Registering a preset replaces the
// previous one; every press runs `onCapture` on a later turn of the event
// loop, after the key event has been handled.
class GlobalShortcut final : public QObject {
    Q_OBJECT
public:
    // `grabber` is not owned and must outlive the shortcut.
    explicit GlobalShortcut(HotKeyGrabber &grabber, QObject *parent = nullptr);
    ~GlobalShortcut() override;

    // Read at each press; a press while unset does nothing.
    std::function<void()> onCapture;

    // Releases the current hot key, then grabs the preset's chord; false when
    // it was refused, and then no hot key is held at all.
    bool registerPreset(ShortcutPreset preset);

    // Control is Control, Option is Alt, Command is Super; the key by its symbol.
    static HotKeyChord chord(ShortcutPreset preset);

Q_SIGNALS:
    // The keyboard map changed under the registered chord: `held` says
    // whether it is still the program's (on its new keys) or was refused there.
    void keymapFollowed(bool held);

private:
    void pressed();

    HotKeyGrabber &grabber_;
};

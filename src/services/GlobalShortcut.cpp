#include "services/GlobalShortcut.h"

#include "platform/HotKeyGrabber.h"

namespace {

constexpr quint32 letterC = 0x0063;
constexpr quint32 digitTwo = 0x0032;

} // namespace

GlobalShortcut::GlobalShortcut(HotKeyGrabber &grabber, QObject *parent) : QObject(parent), grabber_(grabber)
{
    connect(&grabber_, &HotKeyGrabber::pressed, this, &GlobalShortcut::pressed);
    connect(&grabber_, &HotKeyGrabber::followedKeymap, this, &GlobalShortcut::keymapFollowed);
}

GlobalShortcut::~GlobalShortcut()
{
    grabber_.release();
}

bool GlobalShortcut::registerPreset(ShortcutPreset preset)
{
    grabber_.release();
    return grabber_.grab(chord(preset));
}

HotKeyChord GlobalShortcut::chord(ShortcutPreset preset)
{
    switch (preset) {
    case ShortcutPreset::controlOptionC:
        return {letterC, quint16(HotKeyChord::control | HotKeyChord::alt)};
    case ShortcutPreset::controlShift2:
        return {digitTwo, quint16(HotKeyChord::control | HotKeyChord::shift)};
    case ShortcutPreset::commandShift2:
        return {digitTwo, quint16(HotKeyChord::super | HotKeyChord::shift)};
    }
    return {};
}

void GlobalShortcut::pressed()
{
    // Never inside the key event's dispatch: the capture starts once it is answered.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (onCapture)
                onCapture();
        },
        Qt::QueuedConnection);
}

// Holds a preset's chord as another application would (Ctrl+Alt+C, or the
// preset named by its raw value in the first argument, its key replaced by the
// lower-case letter given as the second), prints "held" (or "refused") and
// keeps it until stdin closes.
#include "../support/QuitWhenInputCloses.h"

#include "platform/X11HotKeyGrabber.h"
#include "services/GlobalShortcut.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    ShortcutPreset preset = ShortcutPreset::controlOptionC;
    if (argc > 1)
        preset = ShortcutPreset::fromRawValue(QString::fromLocal8Bit(argv[1])).value_or(preset);
    HotKeyChord chord = GlobalShortcut::chord(preset);
    if (argc > 2 && argv[2][0] >= 'a' && argv[2][0] <= 'z')
        chord.keysym = quint32(argv[2][0]); // a Latin letter's key symbol is its code
    X11HotKeyGrabber grabber;
    std::puts(grabber.grab(chord) ? "held" : "refused");
    std::fflush(stdout);
    quitWhenInputCloses();
    return QGuiApplication::exec();
}

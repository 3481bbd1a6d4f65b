// Holds a preset's chord as another application would (Ctrl+Alt+C, or the
// preset named by its raw value in the first argument), prints "held" (or
// "refused") and keeps it until stdin closes.
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
    X11HotKeyGrabber grabber;
    std::puts(grabber.grab(GlobalShortcut::chord(preset)) ? "held" : "refused");
    std::fflush(stdout);
    quitWhenInputCloses();
    return QGuiApplication::exec();
}

// Holds Ctrl+Alt+C as another application would, prints "held" (or "refused")
// and keeps it until stdin closes.
#include "platform/X11HotKeyGrabber.h"
#include "services/GlobalShortcut.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    X11HotKeyGrabber grabber;
    std::puts(grabber.grab(GlobalShortcut::chord(ShortcutPreset::controlOptionC)) ? "held" : "refused");
    std::fflush(stdout);
    QSocketNotifier stdinWatch(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinWatch, &QSocketNotifier::activated, &app, [] {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            QCoreApplication::quit();
    });
    return QGuiApplication::exec();
}

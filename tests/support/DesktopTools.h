#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

// The X tools a desktop test drives the session with. Each runs to its end
// while this process's event loop goes on, so a tool that needs an answer
// from our own windows (xclip asking for our clipboard) gets one.
class DesktopTools {
public:
    DesktopTools() = delete;

    // What the tool wrote, standard output then standard error.
    static QByteArray run(const QString &program, const QStringList &arguments);
    static void xdotool(const QStringList &arguments);
    // Moves the pointer to `point` and clicks the left button there.
    static void click(QPoint point);
    // The text on the clipboard (not the primary selection).
    static QString clipboardText();
};

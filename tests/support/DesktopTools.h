#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

class QWidget;

// The X tools a desktop test drives the session with. Each runs to its end
// while this process's event loop goes on, so a tool that needs an answer
// from our own windows (xclip asking for our clipboard) gets one.
class DesktopTools {
public:
    DesktopTools() = delete;

    // What the tool wrote on its standard output.
    static QByteArray run(const QString &program, const QStringList &arguments);
    static void xdotool(const QStringList &arguments);
    // Moves the pointer to `point` and clicks a button there (1: the left one, 3: the right one).
    static void click(QPoint point, int button = 1);
    // A left click at the middle of a widget on screen.
    static void click(const QWidget &widget);
    // The text on the clipboard (not the primary selection).
    static QString clipboardText();
};

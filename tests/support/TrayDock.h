#pragma once

#include <QRect>

class QSystemTrayIcon;

// The tray of the X11 test session, which starts beside the test.
class TrayDock {
public:
    TrayDock() = delete;

    // Whether a tray owns the system-tray selection: an icon made before that
    // may never be docked.
    static bool isUp();

    // Where the icon sits once the tray has docked it and stopped laying it
    // out (the icon reports the origin until then); empty when it never is.
    static QRect dockedGeometry(const QSystemTrayIcon &icon);
};

#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QSystemTrayIcon>
#include <QTest>

// Where the tray shows `icon` once it has settled: the icon reports the origin
// until it is docked, and the tray lays its icons out again for a moment
// after that. An empty rectangle when it never docks within `timeoutMs`.
inline QRect dockedTrayIcon(const QSystemTrayIcon &icon, int timeoutMs = 20000)
{
    QRect geometry;
    QElapsedTimer unchanged;
    unchanged.start();
    const bool docked = QTest::qWaitFor(
        [&] {
            const QRect now = icon.geometry();
            if (now != geometry) {
                geometry = now;
                unchanged.restart();
            }
            return geometry.x() > 0 && unchanged.elapsed() > 400;
        },
        timeoutMs);
    return docked ? geometry : QRect();
}

#include "support/TrayDocking.h"

#include <QElapsedTimer>
#include <QSystemTrayIcon>
#include <QTest>

QRect dockedGeometry(const QSystemTrayIcon &icon)
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
        20000);
    return docked ? geometry : QRect();
}

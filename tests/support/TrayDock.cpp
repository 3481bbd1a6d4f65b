#include "support/TrayDock.h"

#include "support/Patience.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>

bool TrayDock::isUp()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return false;
    xcb_connection_t *connection = x11->connection();
    const QByteArray name = "_NET_SYSTEM_TRAY_S0";
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, name.size(), name.constData()), nullptr);
    if (!atom)
        return false;
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return owned;
}

QRect TrayDock::dockedGeometry(const QSystemTrayIcon &icon)
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
        Patience::untilHung);
    return docked ? geometry : QRect();
}

#include "platform/DesktopScreens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

DesktopScreens &DesktopScreens::shared()
{
    static DesktopScreens screens;
    return screens;
}

QList<QScreen *> DesktopScreens::screens() const
{
    return QGuiApplication::screens();
}

QScreen *DesktopScreens::primaryScreen() const
{
    return QGuiApplication::primaryScreen();
}

QPointF DesktopScreens::pointerLocation() const
{
    return QCursor::pos();
}

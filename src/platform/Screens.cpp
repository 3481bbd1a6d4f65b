#include "platform/Screens.h"

#include <QScreen>

QScreen *Screens::screenUnderPointer() const
{
    const QPointF pointer = pointerLocation();
    for (QScreen *screen : screens()) {
        if (frameHolds(screen->geometry(), pointer))
            return screen;
    }
    return primaryScreen();
}

bool Screens::frameHolds(const QRect &frame, QPointF point)
{
    return point.x() >= frame.left() && point.x() < frame.left() + frame.width() && point.y() >= frame.top() &&
           point.y() < frame.top() + frame.height();
}

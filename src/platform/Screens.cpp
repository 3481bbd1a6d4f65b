#include "platform/Screens.h"

#include <QScreen>

QScreen *Screens::screenUnderPointer() const
{
    const QPointF pointer = pointerLocation();
    for (QScreen *screen : screens()) {
        const QRectF frame = screen->geometry();
        if (pointer.x() >= frame.left() && pointer.x() < frame.left() + frame.width() && pointer.y() >= frame.top() &&
            pointer.y() < frame.top() + frame.height())
            return screen;
    }
    return primaryScreen();
}

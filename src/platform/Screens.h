#pragma once

#include <QList>
#include <QPointF>

class QScreen;

// The displays and the pointer, in Qt's global logical coordinates.
class Screens {
public:
    virtual ~Screens() = default;
    virtual QList<QScreen *> screens() const = 0;
    virtual QScreen *primaryScreen() const = 0;
    virtual QPointF pointerLocation() const = 0;

    // The first display, in the system's order, whose frame holds the pointer
    // (frames are half-open, so a point on a shared edge belongs to one
    // display only); the primary one when none does.
    QScreen *screenUnderPointer() const;
};

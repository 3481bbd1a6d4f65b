#pragma once

#include <QList>
#include <QPointF>
#include <QRect>

class QScreen;

// The displays and the pointer, in Qt's global logical coordinates.
class Screens {
public:
    virtual ~Screens() = default;
    virtual QList<QScreen *> screens() const = 0;
    virtual QScreen *primaryScreen() const = 0;
    virtual QPointF pointerLocation() const = 0;

    // The first display, in the system's order, whose frame holds the pointer;
    // the primary one when none does.
    QScreen *screenUnderPointer() const;

    // Half-open, as Qt's integer rectangles: a point on the seam between two
    // displays belongs to the one whose left or top edge it is on.
    static bool frameHolds(const QRect &frame, QPointF point);
};

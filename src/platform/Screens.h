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
};

#pragma once

#include "models/OCREngine.h"

#include <QImage>
#include <QSizeF>

class QScreen;
class SelectionSurface;

// Puts the selection on screen for the selection service, which knows nothing
// of widgets: one surface per display, and the practice run's sample picture.
class SelectionPresenter {
public:
    virtual ~SelectionPresenter() = default;

    // Covers `screen` with the frozen `picture` and shows it. The surface lives
    // until it is dismissed (or its display goes away).
    virtual SelectionSurface *present(QScreen *screen, const QImage &picture, OCREngine engine, bool practice) = 0;
    // The sample picture a practice run selects from, for a display of this
    // size in points at its device pixel ratio.
    virtual QImage practicePicture(QSizeF size, qreal devicePixelRatio, bool dark) const = 0;
};

#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QString>

class QPainter;

// The sample picture of a practice run: a card centred on a plain background
// that asks the user to select a sentence in large type. It stands in for a
// screenshot, so it is drawn for the display's size in points at the display's
// device pixel ratio, and the crop scales the same way as on a real grab.
class PracticeCanvas {
public:
    PracticeCanvas() = delete;

    static QImage image(QSizeF size, qreal devicePixelRatio = 1.0, bool dark = false);

    // The card's frame in y-down points for a picture of this size.
    static QRectF cardFrame(QSizeF size);

private:
    // Draws one line whose box has its lower-left corner at `lowerLeft` (y-down).
    static void draw(QPainter &painter, const QString &text, QPointF lowerLeft, const QFont &font, const QColor &color);
};

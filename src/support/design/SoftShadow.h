#pragma once

#include <QColor>
#include <QMarginsF>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

class QPainter;

// The one soft-shadow painter of the interface: the shape's silhouette in a
// colour, blurred evenly on every side and moved by an offset, as a layer to
// draw under the shape. `radius` is the blur radius of the interface's
// shadows (a Gaussian of deviation radius / 2, so it fades out within 1.5 ×
// radius of the edge). Blurred silhouettes are kept and reused, so a shadow
// that is drawn again at the same size costs one image blit.
class SoftShadow {
public:
    SoftShadow() = delete;

    static void paint(QPainter &painter, const QPainterPath &shape, const QColor &colour, double radius,
                      QPointF offset = QPointF());
    static void paintRoundedRect(QPainter &painter, const QRectF &rect, double cornerRadius, const QColor &colour,
                                 double radius, QPointF offset = QPointF());

    // How far the shadow of a shape reaches beyond its bounds on each side.
    static QMarginsF reach(double radius, QPointF offset = QPointF());
};

#pragma once

#include <QColor>
#include <QRectF>
#include <QRegion>
#include <QSizeF>

class QPainter;

// The selection's chrome over the frozen picture: the dimming with a clear hole
// for the selection, a hairline outline, four glowing corner brackets and a
// badge with the selection's size in the picture's pixels.
class SelectionChrome {
public:
    static constexpr double dimming = 0.5;
    static constexpr double contrastDimming = 0.68;
    static QColor accent();

    QSizeF imageSize;
    QRectF selection;

    // Paints the chrome for a view of `bounds` (only what the painter's clip
    // lets through is touched).
    void paint(QPainter &painter, const QRectF &bounds, bool increaseContrast) const;

    // Everything whose look depends on a selection besides the uniform dimming:
    // repainting the damage of the old and the new selection is enough after a
    // change.
    static QRegion damage(const QRectF &selection, const QRectF &bounds);

    static double bracketArm(const QRectF &selection);
    static QString badgeText(const QRectF &pixels);
    static QSizeF badgeSize() { return {150, 32}; }

private:
    void paintBrackets(QPainter &painter) const;
    void paintBadge(QPainter &painter, const QRectF &bounds) const;
};

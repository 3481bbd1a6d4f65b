#pragma once

#include <QColor>
#include <QImage>
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

    // The chrome drawn for one selection besides the dimming.
    static QRegion damage(const QRectF &selection, const QRectF &bounds);
    // What a change from `previous` to `next` makes look different.
    static QRegion damage(const QRectF &previous, const QRectF &next, const QRectF &bounds);

    // The selection as it is cropped: widened to the frozen picture's whole
    // pixels, in the points of a view of `bounds`.
    QRectF hole(const QRectF &bounds) const;

    static double bracketArm(const QRectF &selection);
    static QString badgeText(const QRectF &pixels);
    static QSizeF badgeSize() { return {150, 32}; }

private:
    static void fillOutside(QPainter &painter, const QRectF &area, const QRectF &hole, const QColor &colour);
    void paintOutline(QPainter &painter, const QRectF &hole) const;
    void paintBrackets(QPainter &painter, const QRectF &hole) const;
    void paintBadge(QPainter &painter, const QRectF &bounds) const;

    // The four corners' bracket pictures for the current arm length.
    struct BracketSprites {
        double arm = -1;
        qreal ratio = 0;
        QImage images[4];
    };
    mutable BracketSprites sprites_;
};

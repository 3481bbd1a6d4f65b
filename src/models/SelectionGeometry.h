#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// The selection's rectangle arithmetic, in y-down logical points (origin at the
// top-left of the display). Every function is pure and total: degenerate input
// yields an empty or null rectangle, never a failure.
//
// Rectangles are treated as standardised (a negative size counts from the other
// side). "Null" marks the absence of a rectangle (origin at +infinity, size 0);
// it is what an intersection of disjoint rectangles gives.
class SelectionGeometry {
public:
    SelectionGeometry() = delete;

    // The rectangle spanned by a drag from `from` to `to`, cut to `bounds`.
    static QRectF rectangle(QPointF from, QPointF to, const QRectF &bounds);

    // One arrow-key step. `key` is a Qt::Key; keys other than the four arrows
    // only clamp. An empty selection first becomes a centred 480 x 160 rectangle
    // and is then stepped in the same call. Shift (`resize`) moves only the far
    // edges; Alt (`precise`) steps by 1 point instead of 10.
    static QRectF adjusted(const QRectF &selection, const QRectF &bounds, int key, bool resize, bool precise);

    // The selection in the frozen image's pixels, with independent x and y scales
    // so a view and an image of different aspect ratio still map corner to corner.
    // Partly covered pixels are included; the result lies inside the image. The
    // zero rectangle when the view size is not positive.
    static QRectF pixelRect(const QRectF &selection, QSizeF viewSize, QSizeF imageSize);

    // Where the pixel-size badge goes: 12 points below the selection, or above it
    // when it would come within 8 points of the bottom, kept 8 points inside.
    static QRectF badgeFrame(const QRectF &selection, const QRectF &bounds, QSizeF size);

    // Rectangle helpers with the semantics the functions above rely on.
    static QRectF null();
    static bool isNull(const QRectF &rect);
    static bool isEmpty(const QRectF &rect);
    static QRectF standardized(const QRectF &rect);
    static QRectF intersection(const QRectF &a, const QRectF &b);
    static QRectF integral(const QRectF &rect);
};

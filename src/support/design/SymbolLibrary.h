#pragma once

#include <QColor>
#include <QIcon>
#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;

// Our own small set of line symbols, drawn with the painter and looked up by
// the names the interface uses ("viewfinder", "text.viewfinder", "cpu",
// "apple.logo", "xmark", "lock.shield", the status item's "ellipsis.circle",
// "checkmark.circle", "exclamationmark.circle"…). The engine symbol named "apple.logo" is a neutral glyph of
// our own (a lens over text lines), not any company's mark.
class SymbolLibrary {
public:
    enum class Weight { light, regular, medium, semibold, bold };

    SymbolLibrary() = delete;

    static bool contains(const QString &name);
    // The symbol's outline in a unit square, to be stroked; empty when unknown.
    static QPainterPath path(const QString &name);
    // Strokes the symbol into `box` (kept square and centred), the line width
    // following the weight like a font's stroke at that size.
    static void paint(QPainter &painter, const QString &name, const QRectF &box, const QColor &colour,
                      Weight weight = Weight::regular);
    // The symbol as an icon of `side` points, sharp at one and two pixels a point.
    static QIcon icon(const QString &name, const QColor &colour, int side, Weight weight = Weight::medium);
};

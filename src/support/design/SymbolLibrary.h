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
// "checkmark.circle", "exclamationmark.circle", "slider.horizontal.3",
// "arrow.clockwise", "arrow.down.circle"…); a name ending in ".fill" is a
// solid shape with its marks cut out ("xmark.circle.fill"). The engine symbol named "apple.logo" is a neutral glyph of
// our own (a lens over text lines), not any company's mark.
class SymbolLibrary {
public:
    enum class Weight { light, regular, medium, semibold, bold };

    SymbolLibrary() = delete;

    static bool contains(const QString &name);
    static bool isFilled(const QString &name);
    // The symbol in a unit square: lines to be stroked, or for a filled
    // symbol the area to fill; empty when unknown.
    static QPainterPath path(const QString &name);
    // Strokes the symbol into `box` (kept square and centred), the line width
    // following the weight like a font's stroke at that size; a filled symbol
    // is filled whatever the weight.
    static void paint(QPainter &painter, const QString &name, const QRectF &box, const QColor &colour,
                      Weight weight = Weight::regular);
    // The symbol as an icon of `side` logical pixels, for the platform's own
    // controls (a tab, a menu item).
    static QIcon icon(const QString &name, double side, const QColor &colour, Weight weight = Weight::regular);
};

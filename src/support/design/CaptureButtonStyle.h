#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// The primary call to action's look: a gradient rounded rectangle with white
// semibold text, a hairline and a soft teal glow, pressed down a little. A pure
// function of the button's state; CaptureButton animates between its looks.
class CaptureButtonStyle {
public:
    struct Look {
        double borderOpacity;
        double glowOpacity;
        double glowRadius;
        double scale;
        double opacity;
    };

    static constexpr double verticalPadding = 13;
    static constexpr double horizontalPadding = 18;
    static constexpr double glowOffset = 4;

    CaptureButtonStyle() = delete;

    static Look look(bool hovered, bool pressed, bool enabled, bool reduceMotion);
    // `from` and `to` mixed field by field, `share` of the way.
    static Look mix(const Look &from, const Look &to, double share);

    // The glow, drawn under the button (it reaches beyond the button's frame).
    static void paintGlow(QPainter &painter, const QRectF &frame, const Look &look, const QColor &teal);
    // What the button says: its text, centred, or led by a symbol and followed,
    // after a flexible space, by a small monospaced accessory (a shortcut)
    // and a trailing symbol at the far end.
    struct Label {
        QString text;
        QString symbol;
        QString accessory;
        QString trailingSymbol;
    };

    static constexpr double symbolSide = 16;
    static constexpr double symbolGap = 8;
    static constexpr double accessoryOpacity = 0.8;

    // The face of an accessory: 11 px medium, monospaced.
    static QFont accessoryFont();
    // A trailing symbol is as high as the text it follows.
    static double trailingSymbolSide();
    // The label's natural size, without the padding.
    static QSizeF labelSize(const Label &label);

    // Fill, hairline and label; the painter is left as it was.
    static void paintButton(QPainter &painter, const QRectF &frame, const Look &look, const Label &label);
};

#pragma once

#include <QColor>
#include <QRectF>
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
    // Fill, hairline and label; the painter is left as it was. With a trailing
    // symbol the text starts at the leading edge and the symbol ends the row.
    static void paintButton(QPainter &painter, const QRectF &frame, const Look &look, const QString &label,
                            const QString &trailingSymbol = QString());
    // The trailing symbol's side and its gap to the text.
    static double trailingSymbolSide();
    static constexpr double trailingSymbolGap = 8;
};

#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// The secondary action's look: a compact, faintly filled rounded rectangle
// that darkens on hover and press. A pure function of the button's state; the
// button draws its own label over it (QuietButton).
class QuietButtonStyle {
public:
    struct Look {
        double fillOpacity;
        double borderOpacity;
        double scale;
        double opacity;
    };

    static constexpr double horizontalPadding = 10;
    static constexpr double verticalPadding = 6;

    QuietButtonStyle() = delete;

    static Look look(bool hovered, bool pressed, bool enabled, bool reduceMotion);
    static Look mix(const Look &from, const Look &to, double share);

    // Fades the painter and scales it about the frame's centre as the look says,
    // for everything drawn after: background and label alike.
    static void applyLook(QPainter &painter, const QRectF &frame, const Look &look);
    // Fill and hairline in the primary foreground colour `primary`.
    static void paintBackground(QPainter &painter, const QRectF &frame, const Look &look, const QColor &primary);
};

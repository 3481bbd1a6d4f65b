#include "support/design/QuietButtonStyle.h"

#include "support/design/DesignTokens.h"
#include "support/design/Surface.h"

#include <QPainter>

QuietButtonStyle::Look QuietButtonStyle::look(bool hovered, bool pressed, bool enabled, bool reduceMotion)
{
    Look look{};
    look.fillOpacity = pressed ? 0.11 : hovered ? 0.07 : 0.035;
    look.borderOpacity = hovered ? 0.12 : 0.065;
    look.scale = pressed && !reduceMotion ? 0.97 : 1;
    look.opacity = enabled ? 1 : 0.4;
    return look;
}

QuietButtonStyle::Look QuietButtonStyle::mix(const Look &from, const Look &to, double share)
{
    const auto between = [share](double a, double b) { return a + (b - a) * share; };
    return {between(from.fillOpacity, to.fillOpacity), between(from.borderOpacity, to.borderOpacity),
            between(from.scale, to.scale), between(from.opacity, to.opacity)};
}

void QuietButtonStyle::applyLook(QPainter &painter, const QRectF &frame, const Look &look)
{
    painter.setOpacity(painter.opacity() * look.opacity);
    painter.translate(frame.center());
    painter.scale(look.scale, look.scale);
    painter.translate(-frame.center());
}

void QuietButtonStyle::paintBackground(QPainter &painter, const QRectF &frame, const Look &look, const QColor &primary)
{
    Surface::paintCard(painter, frame, DesignTokens::quietButtonRadius, primary, look.fillOpacity, look.borderOpacity);
}

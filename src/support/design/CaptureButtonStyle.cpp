#include "support/design/CaptureButtonStyle.h"

#include "support/design/DesignTokens.h"
#include "support/design/SoftShadow.h"
#include "support/design/SymbolLibrary.h"
#include "support/design/TrovStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr double radius = DesignTokens::captureButtonRadius;

// Scales the painter about the frame's centre.
void scaleAbout(QPainter &painter, const QRectF &frame, double scale)
{
    painter.translate(frame.center());
    painter.scale(scale, scale);
    painter.translate(-frame.center());
}

} // namespace

CaptureButtonStyle::Look CaptureButtonStyle::look(bool hovered, bool pressed, bool enabled, bool reduceMotion)
{
    Look look{};
    look.borderOpacity = hovered ? 0.35 : 0.18;
    look.glowOpacity = !enabled ? 0 : hovered ? 0.25 : 0.14;
    look.glowRadius = hovered ? 12 : 8;
    look.scale = pressed && !reduceMotion ? 0.985 : 1;
    look.opacity = enabled ? 1 : 0.45;
    return look;
}

CaptureButtonStyle::Look CaptureButtonStyle::mix(const Look &from, const Look &to, double share)
{
    const auto between = [share](double a, double b) { return a + (b - a) * share; };
    return {between(from.borderOpacity, to.borderOpacity), between(from.glowOpacity, to.glowOpacity),
            between(from.glowRadius, to.glowRadius), between(from.scale, to.scale), between(from.opacity, to.opacity)};
}

void CaptureButtonStyle::paintGlow(QPainter &painter, const QRectF &frame, const Look &look, const QColor &teal)
{
    if (look.glowOpacity <= 0)
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * look.opacity);
    scaleAbout(painter, frame, look.scale);
    // The blur is drawn at whole radii: a hover fade between 8 and 12 then
    // reuses a handful of blurred pictures instead of making one per frame.
    SoftShadow::paintRoundedRect(painter, frame, radius, DesignTokens::withOpacity(teal, look.glowOpacity),
                                 qRound(look.glowRadius), QPointF(0, glowOffset));
    painter.restore();
}

double CaptureButtonStyle::trailingSymbolSide()
{
    return DesignTokens::font(DesignTokens::FontRole::captureButton).pixelSize();
}

void CaptureButtonStyle::paintButton(QPainter &painter, const QRectF &frame, const Look &look, const QString &label,
                                     const QString &trailingSymbol)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(painter.opacity() * look.opacity);
    scaleAbout(painter, frame, look.scale);
    QPainterPath shape;
    shape.addRoundedRect(frame, radius, radius);
    painter.fillPath(shape, TrovStyle::gradient());
    painter.setPen(QPen(DesignTokens::withOpacity(Qt::white, look.borderOpacity), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    painter.setPen(Qt::white);
    painter.setFont(DesignTokens::font(DesignTokens::FontRole::captureButton));
    const QRectF content = frame.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    if (trailingSymbol.isEmpty()) {
        painter.drawText(content, Qt::AlignCenter, label);
    } else {
        const double side = trailingSymbolSide();
        painter.drawText(content.adjusted(0, 0, -(side + trailingSymbolGap), 0), Qt::AlignLeft | Qt::AlignVCenter,
                         label);
        const QRectF box(content.right() - side, content.center().y() - side / 2, side, side);
        SymbolLibrary::paint(painter, trailingSymbol, box, Qt::white, SymbolLibrary::Weight::semibold);
    }
    painter.restore();
}

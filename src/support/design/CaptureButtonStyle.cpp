#include "support/design/CaptureButtonStyle.h"

#include "support/design/DesignTokens.h"
#include "support/design/SoftShadow.h"
#include "support/design/SymbolLibrary.h"
#include "support/design/TrovStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

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

QFont CaptureButtonStyle::accessoryFont()
{
    return DesignTokens::font(DesignTokens::FontRole::keyCap);
}

double CaptureButtonStyle::trailingSymbolSide()
{
    return DesignTokens::font(DesignTokens::FontRole::captureButton).pixelSize();
}

QSizeF CaptureButtonStyle::labelSize(const Label &label)
{
    const QFontMetricsF metrics(DesignTokens::font(DesignTokens::FontRole::captureButton));
    double width = metrics.horizontalAdvance(label.text);
    double height = metrics.height();
    if (!label.symbol.isEmpty()) {
        width += symbolSide + symbolGap;
        height = std::max(height, symbolSide);
    }
    if (!label.accessory.isEmpty()) {
        const QFontMetricsF accessory(accessoryFont());
        width += symbolGap + accessory.horizontalAdvance(label.accessory);
        height = std::max(height, accessory.height());
    }
    if (!label.trailingSymbol.isEmpty())
        width += symbolGap + trailingSymbolSide();
    return QSizeF(width, height);
}

void CaptureButtonStyle::paintButton(QPainter &painter, const QRectF &frame, const Look &look, const Label &label)
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
    QRectF content = frame.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    if (label.symbol.isEmpty() && label.accessory.isEmpty() && label.trailingSymbol.isEmpty()) {
        painter.drawText(content, Qt::AlignCenter, label.text);
        painter.restore();
        return;
    }
    if (!label.trailingSymbol.isEmpty()) {
        const double side = trailingSymbolSide();
        const QRectF box(content.right() - side, content.center().y() - side / 2, side, side);
        SymbolLibrary::paint(painter, label.trailingSymbol, box, Qt::white, SymbolLibrary::Weight::semibold);
        content.setRight(box.left() - symbolGap);
    }
    double left = content.left();
    if (!label.symbol.isEmpty()) {
        const QRectF box(left, content.center().y() - symbolSide / 2, symbolSide, symbolSide);
        SymbolLibrary::paint(painter, label.symbol, box, Qt::white, SymbolLibrary::Weight::semibold);
        left += symbolSide + symbolGap;
    }
    painter.drawText(QRectF(left, content.top(), content.right() - left, content.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, label.text);
    if (!label.accessory.isEmpty()) {
        painter.setFont(accessoryFont());
        painter.setOpacity(painter.opacity() * accessoryOpacity);
        painter.drawText(content, Qt::AlignRight | Qt::AlignVCenter, label.accessory);
    }
    painter.restore();
}

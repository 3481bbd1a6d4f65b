#include "support/design/PracticeCanvas.h"

#include "support/design/DesignTokens.h"
#include "support/design/SystemColours.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double cardHeight = 300;
constexpr double cardRadius = 28;
constexpr double textInset = 48;

struct Palette {
    QColor window;
    QColor card;
    QColor label;
    QColor secondaryLabel;
};

// The picture's own ground and card, and the desktop's label styles.
Palette paletteFor(bool dark)
{
    const QColor window = dark ? QColor(30, 30, 30) : QColor(236, 236, 236);
    const QColor card = dark ? QColor(44, 44, 46) : QColor(255, 255, 255);
    return {window, card, SystemColours::label(dark), SystemColours::secondaryLabel(dark)};
}

// A soft drop shadow without a blur filter: rings that widen and fade out,
// together about as dark as the requested opacity right under the card.
void paintShadow(QPainter &painter, const QRectF &card)
{
    constexpr int rings = 10;
    constexpr double blur = 40;
    constexpr double opacity = 0.12;
    const QRectF shadow = card.translated(0, 12);
    painter.setPen(Qt::NoPen);
    for (int ring = rings; ring >= 1; --ring) {
        const double grow = blur / 2 * ring / rings;
        QColor colour(0, 0, 0);
        colour.setAlphaF(opacity / rings);
        painter.setBrush(colour);
        painter.drawRoundedRect(shadow.adjusted(-grow, -grow, grow, grow), cardRadius + grow, cardRadius + grow);
    }
}

} // namespace

QRectF PracticeCanvas::cardFrame(QSizeF size)
{
    const double width = std::min(560.0, size.width() - 48);
    return QRectF((size.width() - width) / 2, (size.height() - cardHeight) / 2, width, cardHeight);
}

QImage PracticeCanvas::image(QSizeF size, qreal devicePixelRatio, bool dark)
{
    const Palette palette = paletteFor(dark);
    const QSize pixels(std::max(1, int(std::ceil(size.width() * devicePixelRatio))),
                       std::max(1, int(std::ceil(size.height() * devicePixelRatio))));
    QImage picture(pixels, QImage::Format_RGB32);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(palette.window);

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF card = cardFrame(size);
    painter.save();
    paintShadow(painter, card);
    painter.setBrush(palette.card);
    painter.drawRoundedRect(card, cardRadius, cardRadius);
    painter.restore();

    // Text positions are measured from the card's bottom edge upwards.
    const double x = card.left() + textInset;
    const QColor accent = QColor::fromRgbF(0.16f, 0.67f, 0.59f);
    draw(painter, QStringLiteral("A LITTLE PRACTICE. A LOT LESS RETYPING."), {x, card.top() + 58},
         DesignTokens::font(DesignTokens::FontRole::practiceEyebrow), accent);
    draw(painter, QStringLiteral("Good ideas deserve"), {x, card.center().y() - 15},
         DesignTokens::font(DesignTokens::FontRole::practiceHeadline), palette.label);
    draw(painter, QStringLiteral("a life beyond pixels."), {x, card.center().y() + 33},
         DesignTokens::font(DesignTokens::FontRole::practiceHeadline), palette.label);
    draw(painter, QStringLiteral("Select these words. Then paste them anywhere."), {x, card.bottom() - 42},
         DesignTokens::font(DesignTokens::FontRole::practiceSubline), palette.secondaryLabel);
    return picture;
}

void PracticeCanvas::draw(QPainter &painter, const QString &text, QPointF lowerLeft, const QFont &font,
                          const QColor &color)
{
    const QFontMetricsF metrics(font, painter.device());
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(lowerLeft.x(), lowerLeft.y() - metrics.descent()), text);
}

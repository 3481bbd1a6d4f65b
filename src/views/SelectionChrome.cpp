#include "views/SelectionChrome.h"

#include "models/SelectionGeometry.h"
#include "support/design/DesignTokens.h"
#include "support/design/SoftShadow.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// How far the outline, the bracket stroke and its glow reach outside the selection.
constexpr double chromeReach = 15;

// The desktop's UI faces (DejaVu, Noto, Cantarell) have tabular digits by default,
// so the badge does not jitter while the size changes.
QFont badgeFont()
{
    return DesignTokens::font(DesignTokens::FontRole::sizeBadge);
}

// Room around a bracket's corner for its stroke and glow.
constexpr double spriteMargin = 11;
// Blurs the glow to within the margin: 1.5 × radius beyond the stroke's half width.
constexpr double glowRadius = 6;

// One corner's bracket with its glow, drawn once into a small picture: the
// antialiased wide strokes cost far more than placing the picture.
QImage bracketSprite(double arm, double dx, double dy, qreal ratio)
{
    const double side = arm + 2 * spriteMargin;
    QImage sprite(QSize(int(std::ceil(side * ratio)), int(std::ceil(side * ratio))),
                  QImage::Format_ARGB32_Premultiplied);
    sprite.setDevicePixelRatio(ratio);
    sprite.fill(Qt::transparent);
    const QPointF corner(dx > 0 ? spriteMargin : side - spriteMargin, dy > 0 ? spriteMargin : side - spriteMargin);
    QPainterPath path;
    path.moveTo(corner.x() + dx * arm, corner.y());
    path.lineTo(corner);
    path.lineTo(corner.x(), corner.y() + dy * arm);
    QPainter painter(&sprite);
    painter.setRenderHint(QPainter::Antialiasing);
    // The glow: the bracket's stroke, blurred, about half the accent's strength at the line.
    QPainterPathStroker stroke;
    stroke.setWidth(3);
    stroke.setCapStyle(Qt::RoundCap);
    stroke.setJoinStyle(Qt::RoundJoin);
    SoftShadow::paint(painter, stroke.createStroke(path), DesignTokens::withOpacity(SelectionChrome::accent(), 0.9),
                      glowRadius);
    painter.setPen(QPen(SelectionChrome::accent(), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    return sprite;
}

} // namespace

QColor SelectionChrome::accent()
{
    return QColor::fromRgbF(0.48f, 0.96f, 0.81f);
}

double SelectionChrome::bracketArm(const QRectF &selection)
{
    return std::min(20.0, std::min(selection.width(), selection.height()) / 3);
}

QString SelectionChrome::badgeText(const QRectF &pixels)
{
    return QStringLiteral("%1 × %2 px").arg(qRound(pixels.width())).arg(qRound(pixels.height()));
}

QRegion SelectionChrome::damage(const QRectF &selection, const QRectF &bounds)
{
    if (SelectionGeometry::isEmpty(selection))
        return QRegion();
    // The outline, brackets and glow stay within a band along the edges; the
    // inside shows the picture unchanged whatever the size.
    QRegion band(selection.adjusted(-chromeReach, -chromeReach, chromeReach, chromeReach).toAlignedRect());
    const QRectF inside = selection.adjusted(chromeReach, chromeReach, -chromeReach, -chromeReach);
    if (inside.width() > 0 && inside.height() > 0)
        band -= QRegion(inside.toRect());
    band += SelectionGeometry::badgeFrame(selection, bounds, badgeSize()).adjusted(-1, -1, 1, 1).toAlignedRect();
    return band;
}

QRegion SelectionChrome::damage(const QRectF &previous, const QRectF &next, const QRectF &bounds)
{
    // The dimming changes only where one selection covers and the other does not.
    const auto hole = [](const QRectF &selection) {
        return SelectionGeometry::isEmpty(selection) ? QRegion() : QRegion(selection.toAlignedRect());
    };
    return damage(previous, bounds) + damage(next, bounds) + hole(previous).xored(hole(next));
}

QRectF SelectionChrome::hole(const QRectF &bounds) const
{
    if (imageSize.isEmpty() || bounds.isEmpty())
        return selection;
    // Back from the picture's whole pixels to points: on screen, these edges
    // fall exactly on the device pixels' edges.
    const QRectF pixels = SelectionGeometry::pixelRect(selection, bounds.size(), imageSize);
    const double sx = bounds.width() / imageSize.width();
    const double sy = bounds.height() / imageSize.height();
    return QRectF(pixels.x() * sx, pixels.y() * sy, pixels.width() * sx, pixels.height() * sy);
}

void SelectionChrome::paint(QPainter &painter, const QRectF &bounds, bool increaseContrast) const
{
    const bool empty = SelectionGeometry::isEmpty(selection);
    // The clear hole, its outline and brackets sit on the pixels that will be
    // cropped, whatever the scale: what the user sees is what they get.
    const QRectF clear = empty ? QRectF() : hole(bounds);
    painter.save();
    const QColor shade = DesignTokens::withOpacity(Qt::black, increaseContrast ? contrastDimming : dimming);
    // The dimming around the hole, cut to what is being repainted: a path over
    // the whole display would be rasterised in full at every step.
    const QRegion repainted = painter.hasClipping() ? painter.clipRegion() : QRegion(bounds.toAlignedRect());
    for (const QRect &part : repainted)
        fillOutside(painter, QRectF(part) & bounds, clear, shade);
    if (!empty) {
        paintOutline(painter, clear);
        paintBrackets(painter, clear);
        painter.setRenderHint(QPainter::Antialiasing);
        paintBadge(painter, bounds);
    }
    painter.restore();
}

void SelectionChrome::fillOutside(QPainter &painter, const QRectF &area, const QRectF &hole, const QColor &colour)
{
    if (area.isEmpty())
        return;
    const QRectF inside = hole & area;
    if (inside.isEmpty()) {
        painter.fillRect(area, colour);
        return;
    }
    // Four bands that do not overlap, so the shade is laid once everywhere.
    const QRectF bands[] = {
        QRectF(QPointF(area.left(), area.top()), QPointF(area.right(), inside.top())),
        QRectF(QPointF(area.left(), inside.bottom()), QPointF(area.right(), area.bottom())),
        QRectF(QPointF(area.left(), inside.top()), QPointF(inside.left(), inside.bottom())),
        QRectF(QPointF(inside.right(), inside.top()), QPointF(area.right(), inside.bottom())),
    };
    for (const QRectF &band : bands) {
        if (!band.isEmpty())
            painter.fillRect(band, colour);
    }
}

void SelectionChrome::paintOutline(QPainter &painter, const QRectF &s) const
{
    // A one-point line just outside the hole, as four filled bands: a stroked
    // rectangle would be rasterised over its whole extent.
    const QColor outline = DesignTokens::withOpacity(Qt::white, 0.9);
    painter.fillRect(QRectF(s.left() - 1, s.top() - 1, s.width() + 2, 1), outline);
    painter.fillRect(QRectF(s.left() - 1, s.bottom(), s.width() + 2, 1), outline);
    painter.fillRect(QRectF(s.left() - 1, s.top(), 1, s.height()), outline);
    painter.fillRect(QRectF(s.right(), s.top(), 1, s.height()), outline);
}

void SelectionChrome::paintBrackets(QPainter &painter, const QRectF &s) const
{
    const double arm = bracketArm(s);
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    if (sprites_.arm != arm || sprites_.ratio != ratio) {
        sprites_.arm = arm;
        sprites_.ratio = ratio;
        for (int corner = 0; corner < 4; ++corner)
            sprites_.images[corner] = bracketSprite(arm, corner % 2 ? -1 : 1, corner < 2 ? 1 : -1, ratio);
    }
    const double side = arm + 2 * spriteMargin;
    const QPointF corners[] = {s.topLeft(), s.topRight(), s.bottomLeft(), s.bottomRight()};
    for (int corner = 0; corner < 4; ++corner) {
        const QPointF anchor(corner % 2 ? side - spriteMargin : spriteMargin,
                             corner < 2 ? spriteMargin : side - spriteMargin);
        painter.drawImage(corners[corner] - anchor, sprites_.images[corner]);
    }
}

void SelectionChrome::paintBadge(QPainter &painter, const QRectF &bounds) const
{
    const QRectF pixels = SelectionGeometry::pixelRect(selection, bounds.size(), imageSize);
    const QRectF frame = SelectionGeometry::badgeFrame(selection, bounds, badgeSize());
    constexpr double radius = DesignTokens::sizeBadgeRadius;
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(QColor::fromRgbF(0.09f, 0.09f, 0.09f), 0.98));
    painter.drawRoundedRect(frame, radius, radius);
    painter.setPen(QPen(DesignTokens::withOpacity(Qt::white, 0.2), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.setPen(Qt::white);
    painter.setFont(badgeFont());
    painter.drawText(frame.adjusted(6, 8, -6, -8), Qt::AlignCenter, badgeText(pixels));
}

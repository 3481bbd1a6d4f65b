#include "views/SelectionChrome.h"

#include "models/SelectionGeometry.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// How far the outline, the bracket stroke and its glow reach outside the selection.
constexpr double chromeReach = 14;

// The desktop's UI faces (DejaVu, Noto, Cantarell) have tabular digits by default,
// so the badge does not jitter while the size changes.
QFont badgeFont()
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(11);
    font.setWeight(QFont::Medium);
    return font;
}

QPainterPath bracketsPath(const QRectF &s, double arm)
{
    const struct {
        double x, y, dx, dy;
    } corners[] = {{s.left(), s.top(), 1, 1},
                   {s.right(), s.top(), -1, 1},
                   {s.left(), s.bottom(), 1, -1},
                   {s.right(), s.bottom(), -1, -1}};
    QPainterPath path;
    for (const auto &corner : corners) {
        path.moveTo(corner.x + corner.dx * arm, corner.y);
        path.lineTo(corner.x, corner.y);
        path.lineTo(corner.x, corner.y + corner.dy * arm);
    }
    return path;
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
        return QRegion(SelectionGeometry::isNull(selection) ? QRect() : selection.toAlignedRect());
    QRegion region(selection.adjusted(-chromeReach, -chromeReach, chromeReach, chromeReach).toAlignedRect());
    region += SelectionGeometry::badgeFrame(selection, bounds, badgeSize()).adjusted(-1, -1, 1, 1).toAlignedRect();
    return region;
}

void SelectionChrome::paint(QPainter &painter, const QRectF &bounds, bool increaseContrast) const
{
    const bool empty = SelectionGeometry::isEmpty(selection);
    painter.save();
    QPainterPath dim;
    dim.setFillRule(Qt::OddEvenFill);
    dim.addRect(bounds);
    if (!empty)
        dim.addRect(selection);
    QColor shade(Qt::black);
    shade.setAlphaF(increaseContrast ? contrastDimming : dimming);
    painter.fillPath(dim, shade);
    if (!empty) {
        painter.setRenderHint(QPainter::Antialiasing);
        QColor outline(Qt::white);
        outline.setAlphaF(0.9f);
        painter.setPen(QPen(outline, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(selection.adjusted(-0.5, -0.5, 0.5, 0.5));
        paintBrackets(painter);
        paintBadge(painter, bounds);
    }
    painter.restore();
}

void SelectionChrome::paintBrackets(QPainter &painter) const
{
    const QPainterPath path = bracketsPath(selection, bracketArm(selection));
    // The glow: wider, fainter strokes under the bracket (the painter has no
    // shadow blur), together about half the accent's strength at the line.
    QColor glow = accent();
    for (int ring = 4; ring >= 1; --ring) {
        glow.setAlphaF(0.5f / 4);
        painter.setPen(QPen(glow, 3 + ring * 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
    }
    painter.setPen(QPen(accent(), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
}

void SelectionChrome::paintBadge(QPainter &painter, const QRectF &bounds) const
{
    const QRectF pixels = SelectionGeometry::pixelRect(selection, bounds.size(), imageSize);
    const QRectF frame = SelectionGeometry::badgeFrame(selection, bounds, badgeSize());
    QColor fill = QColor::fromRgbF(0.09f, 0.09f, 0.09f);
    fill.setAlphaF(0.98f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, 10, 10);
    QColor border(Qt::white);
    border.setAlphaF(0.2f);
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.setPen(Qt::white);
    painter.setFont(badgeFont());
    painter.drawText(frame.adjusted(6, 8, -6, -8), Qt::AlignCenter, badgeText(pixels));
}

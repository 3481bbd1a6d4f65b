#include "support/design/SymbolLibrary.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <functional>

namespace {

void addCornerBrackets(QPainterPath &path)
{
    constexpr double near = 0.08;
    constexpr double far = 0.92;
    constexpr double arm = 0.24;
    const struct {
        double x, y, dx, dy;
    } corners[] = {{near, near, 1, 1}, {far, near, -1, 1}, {near, far, 1, -1}, {far, far, -1, -1}};
    for (const auto &corner : corners) {
        path.moveTo(corner.x + corner.dx * arm, corner.y);
        path.lineTo(corner.x, corner.y);
        path.lineTo(corner.x, corner.y + corner.dy * arm);
    }
}

QPainterPath viewfinder()
{
    QPainterPath path;
    addCornerBrackets(path);
    return path;
}

QPainterPath textViewfinder()
{
    QPainterPath path = viewfinder();
    path.moveTo(0.30, 0.36);
    path.lineTo(0.70, 0.36);
    path.moveTo(0.30, 0.50);
    path.lineTo(0.70, 0.50);
    path.moveTo(0.30, 0.64);
    path.lineTo(0.56, 0.64);
    return path;
}

QPainterPath cpu()
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0.22, 0.22, 0.56, 0.56), 0.08, 0.08);
    path.addRect(QRectF(0.38, 0.38, 0.24, 0.24));
    for (double at : {0.36, 0.5, 0.64}) {
        path.moveTo(at, 0.06);
        path.lineTo(at, 0.22);
        path.moveTo(at, 0.78);
        path.lineTo(at, 0.94);
        path.moveTo(0.06, at);
        path.lineTo(0.22, at);
        path.moveTo(0.78, at);
        path.lineTo(0.94, at);
    }
    return path;
}

// The system recogniser's glyph: a lens over two lines of text.
QPainterPath systemRecogniser()
{
    QPainterPath path;
    path.moveTo(0.10, 0.30);
    path.lineTo(0.62, 0.30);
    path.moveTo(0.10, 0.48);
    path.lineTo(0.42, 0.48);
    path.addEllipse(QPointF(0.60, 0.58), 0.20, 0.20);
    path.moveTo(0.74, 0.72);
    path.lineTo(0.90, 0.88);
    return path;
}

QPainterPath circled(const std::function<void(QPainterPath &)> &inside)
{
    QPainterPath path;
    path.addEllipse(QPointF(0.5, 0.5), 0.42, 0.42);
    inside(path);
    return path;
}

QPainterPath ellipsisCircle()
{
    return circled([](QPainterPath &path) {
        for (double x : {0.32, 0.5, 0.68})
            path.addEllipse(QPointF(x, 0.5), 0.035, 0.035);
    });
}

QPainterPath checkmarkCircle()
{
    return circled([](QPainterPath &path) {
        path.moveTo(0.33, 0.51);
        path.lineTo(0.45, 0.63);
        path.lineTo(0.68, 0.38);
    });
}

QPainterPath exclamationmarkCircle()
{
    return circled([](QPainterPath &path) {
        path.moveTo(0.5, 0.28);
        path.lineTo(0.5, 0.56);
        path.addEllipse(QPointF(0.5, 0.70), 0.03, 0.03);
    });
}

const QHash<QString, std::function<QPainterPath()>> &builders()
{
    static const QHash<QString, std::function<QPainterPath()>> table{
        {QStringLiteral("viewfinder"), viewfinder},
        {QStringLiteral("text.viewfinder"), textViewfinder},
        {QStringLiteral("cpu"), cpu},
        {QStringLiteral("apple.logo"), systemRecogniser},
        {QStringLiteral("ellipsis.circle"), ellipsisCircle},
        {QStringLiteral("checkmark.circle"), checkmarkCircle},
        {QStringLiteral("exclamationmark.circle"), exclamationmarkCircle},
    };
    return table;
}

double strokeFraction(SymbolLibrary::Weight weight)
{
    switch (weight) {
    case SymbolLibrary::Weight::light:
        return 0.055;
    case SymbolLibrary::Weight::regular:
        return 0.075;
    case SymbolLibrary::Weight::medium:
        return 0.09;
    }
    return 0.075;
}

} // namespace

bool SymbolLibrary::contains(const QString &name)
{
    return builders().contains(name);
}

QPainterPath SymbolLibrary::path(const QString &name)
{
    const auto builder = builders().constFind(name);
    return builder == builders().cend() ? QPainterPath() : (*builder)();
}

void SymbolLibrary::paint(QPainter &painter, const QString &name, const QRectF &box, const QColor &colour,
                          Weight weight)
{
    const double side = std::min(box.width(), box.height());
    if (side <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    painter.scale(side, side);
    QPen pen(colour, strokeFraction(weight), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path(name));
    painter.restore();
}

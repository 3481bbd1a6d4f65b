#include "models/SelectionGeometry.h"

#include <Qt>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double minimumSide = 8;
constexpr double keyboardWidth = 480;
constexpr double keyboardHeight = 160;

struct ArrowDelta {
    double dx = 0;
    double dy = 0;
};

ArrowDelta deltaFor(int key, double step)
{
    switch (key) {
    case Qt::Key_Left:
        return {-step, 0};
    case Qt::Key_Right:
        return {step, 0};
    case Qt::Key_Up:
        return {0, -step};
    case Qt::Key_Down:
        return {0, step};
    default:
        return {};
    }
}

QRectF centredStart(const QRectF &bounds)
{
    const double w = std::min(keyboardWidth, bounds.width());
    const double h = std::min(keyboardHeight, bounds.height());
    const QRectF b = SelectionGeometry::standardized(bounds);
    return QRectF(b.center().x() - w / 2, b.center().y() - h / 2, w, h);
}

} // namespace

QRectF SelectionGeometry::null()
{
    const double infinity = std::numeric_limits<double>::infinity();
    return QRectF(infinity, infinity, 0, 0);
}

bool SelectionGeometry::isNull(const QRectF &rect)
{
    return std::isinf(rect.x()) || std::isinf(rect.y());
}

bool SelectionGeometry::isEmpty(const QRectF &rect)
{
    return isNull(rect) || rect.width() == 0 || rect.height() == 0 || std::isnan(rect.width()) ||
           std::isnan(rect.height());
}

QRectF SelectionGeometry::standardized(const QRectF &rect)
{
    if (isNull(rect))
        return rect;
    return rect.normalized();
}

QRectF SelectionGeometry::intersection(const QRectF &a, const QRectF &b)
{
    if (isNull(a) || isNull(b))
        return null();
    const QRectF r = standardized(a);
    const QRectF s = standardized(b);
    const double left = std::max(r.left(), s.left());
    const double top = std::max(r.top(), s.top());
    const double right = std::min(r.right(), s.right());
    const double bottom = std::min(r.bottom(), s.bottom());
    // Touching edges still intersect (in a zero-size rectangle); NaN never does.
    if (!(right >= left) || !(bottom >= top))
        return null();
    return QRectF(left, top, right - left, bottom - top);
}

QRectF SelectionGeometry::integral(const QRectF &rect)
{
    if (isNull(rect))
        return rect;
    const QRectF r = standardized(rect);
    const double left = std::floor(r.left());
    const double top = std::floor(r.top());
    return QRectF(left, top, std::ceil(r.right()) - left, std::ceil(r.bottom()) - top);
}

QRectF SelectionGeometry::rectangle(QPointF from, QPointF to, const QRectF &bounds)
{
    const QRectF dragged(std::min(from.x(), to.x()), std::min(from.y(), to.y()), std::abs(to.x() - from.x()),
                         std::abs(to.y() - from.y()));
    return intersection(dragged, bounds);
}

QRectF SelectionGeometry::adjusted(const QRectF &selection, const QRectF &bounds, int key, bool resize, bool precise)
{
    const QRectF b = standardized(bounds);
    const QRectF r = isEmpty(selection) ? centredStart(bounds) : standardized(selection);
    const ArrowDelta delta = deltaFor(key, precise ? 1 : 10);
    QRectF next;
    if (resize) {
        // The upper limit is applied last, so the far edge never leaves the bounds.
        const double width =
            std::min(b.right() - r.left(), std::max(std::min(minimumSide, b.width()), r.width() + delta.dx));
        const double height =
            std::min(b.bottom() - r.top(), std::max(std::min(minimumSide, b.height()), r.height() + delta.dy));
        next = QRectF(r.left(), r.top(), width, height);
    } else {
        const double x = std::min(b.right() - r.width(), std::max(b.left(), r.left() + delta.dx));
        const double y = std::min(b.bottom() - r.height(), std::max(b.top(), r.top() + delta.dy));
        next = QRectF(x, y, r.width(), r.height());
    }
    return intersection(next, b);
}

QRectF SelectionGeometry::pixelRect(const QRectF &selection, QSizeF viewSize, QSizeF imageSize)
{
    if (!(viewSize.width() > 0 && viewSize.height() > 0))
        return QRectF(0, 0, 0, 0);
    if (isNull(selection))
        return null();
    const double sx = imageSize.width() / viewSize.width();
    const double sy = imageSize.height() / viewSize.height();
    const QRectF s = standardized(selection);
    // An edge that lands on a pixel boundary but for rounding noise (a third
    // of a point at scale 1.5) must not take in the neighbouring pixel.
    const auto edge = [](double value) {
        const double whole = std::round(value);
        return std::abs(value - whole) < 1e-6 ? whole : value;
    };
    const QRectF scaled(QPointF(edge(s.left() * sx), edge(s.top() * sy)),
                        QPointF(edge(s.right() * sx), edge(s.bottom() * sy)));
    return intersection(integral(scaled), QRectF(0, 0, imageSize.width(), imageSize.height()));
}

QRectF SelectionGeometry::badgeFrame(const QRectF &selection, const QRectF &bounds, QSizeF size)
{
    const QRectF s = standardized(selection);
    const QRectF b = standardized(bounds);
    const double w = std::min(size.width(), std::max(0.0, b.width() - 16));
    const double h = std::min(size.height(), std::max(0.0, b.height() - 16));
    double y0 = s.bottom() + 12;
    if (!(y0 + h <= b.bottom() - 8))
        y0 = s.top() - h - 12;
    const double x0 = s.center().x() - w / 2;
    const double x = std::min(b.right() - w - 8, std::max(b.left() + 8, x0));
    const double y = std::min(b.bottom() - h - 8, std::max(b.top() + 8, y0));
    return QRectF(x, y, w, h);
}

#include "support/design/SymbolLibrary.h"

#include <QHash>
#include <QIcon>
#include <QMutex>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
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

QPainterPath xmark()
{
    QPainterPath path;
    path.moveTo(0.2, 0.2);
    path.lineTo(0.8, 0.8);
    path.moveTo(0.8, 0.2);
    path.lineTo(0.2, 0.8);
    return path;
}

QPainterPath exclamationMark()
{
    QPainterPath path;
    path.moveTo(0.5, 0.12);
    path.lineTo(0.5, 0.62);
    // The dot: a stroke so short that its round caps make a disc.
    path.moveTo(0.5, 0.86);
    path.lineTo(0.5, 0.865);
    return path;
}

// An arrow that sets off to the left, then turns back below itself.
QPainterPath uturnBackward()
{
    QPainterPath path;
    path.moveTo(0.32, 0.16);
    path.lineTo(0.12, 0.36);
    path.lineTo(0.32, 0.56);
    path.moveTo(0.12, 0.36);
    path.lineTo(0.6, 0.36);
    path.arcTo(QRectF(0.38, 0.36, 0.46, 0.46), 90, -180);
    path.lineTo(0.34, 0.82);
    return path;
}

QPainterPath arrowUpRight()
{
    QPainterPath path;
    path.moveTo(0.24, 0.76);
    path.lineTo(0.74, 0.26);
    path.moveTo(0.34, 0.26);
    path.lineTo(0.74, 0.26);
    path.lineTo(0.74, 0.66);
    return path;
}

QPainterPath shield()
{
    QPainterPath path;
    path.moveTo(0.5, 0.06);
    path.cubicTo(0.62, 0.14, 0.74, 0.18, 0.86, 0.19);
    path.lineTo(0.86, 0.46);
    path.cubicTo(0.86, 0.7, 0.7, 0.86, 0.5, 0.94);
    path.cubicTo(0.3, 0.86, 0.14, 0.7, 0.14, 0.46);
    path.lineTo(0.14, 0.19);
    path.cubicTo(0.26, 0.18, 0.38, 0.14, 0.5, 0.06);
    path.closeSubpath();
    return path;
}

QPainterPath lockShield()
{
    QPainterPath path = shield();
    path.addRoundedRect(QRectF(0.37, 0.47, 0.26, 0.2), 0.03, 0.03);
    path.moveTo(0.42, 0.47);
    path.lineTo(0.42, 0.41);
    path.arcTo(QRectF(0.42, 0.33, 0.16, 0.16), 180, -180);
    path.lineTo(0.58, 0.47);
    return path;
}

QPainterPath checkmarkShield()
{
    QPainterPath path = shield();
    path.moveTo(0.34, 0.5);
    path.lineTo(0.46, 0.62);
    path.lineTo(0.67, 0.38);
    return path;
}

// A page with a folded corner, inside `frame`.
void addPage(QPainterPath &path, const QRectF &frame)
{
    const double fold = frame.width() * 0.3;
    path.moveTo(frame.left(), frame.top());
    path.lineTo(frame.right() - fold, frame.top());
    path.lineTo(frame.right(), frame.top() + fold);
    path.lineTo(frame.right(), frame.bottom());
    path.lineTo(frame.left(), frame.bottom());
    path.closeSubpath();
    path.moveTo(frame.right() - fold, frame.top());
    path.lineTo(frame.right() - fold, frame.top() + fold);
    path.lineTo(frame.right(), frame.top() + fold);
}

// Two sheets, the front one over the lower right of the back one.
QPainterPath docOnDoc()
{
    QPainterPath path;
    path.moveTo(0.2, 0.7);
    path.lineTo(0.14, 0.7);
    path.lineTo(0.14, 0.08);
    path.lineTo(0.58, 0.08);
    path.lineTo(0.58, 0.22);
    path.addRoundedRect(QRectF(0.34, 0.3, 0.52, 0.62), 0.06, 0.06);
    return path;
}

QPainterPath checkmark()
{
    QPainterPath path;
    path.moveTo(0.16, 0.52);
    path.lineTo(0.4, 0.76);
    path.lineTo(0.86, 0.24);
    return path;
}

QPainterPath arrowDownDoc()
{
    QPainterPath path;
    addPage(path, QRectF(0.18, 0.06, 0.64, 0.88));
    path.moveTo(0.5, 0.4);
    path.lineTo(0.5, 0.76);
    path.moveTo(0.37, 0.63);
    path.lineTo(0.5, 0.76);
    path.lineTo(0.63, 0.63);
    return path;
}

// A rectangle drawn in dashes: each side cut into short strokes with gaps.
QPainterPath rectangleDashed()
{
    QPainterPath path;
    const QRectF frame(0.06, 0.18, 0.88, 0.64);
    const QPointF corners[] = {frame.topLeft(), frame.topRight(), frame.bottomRight(), frame.bottomLeft()};
    for (int side = 0; side < 4; ++side) {
        const QPointF from = corners[side];
        const QPointF to = corners[(side + 1) % 4];
        const QPointF step = to - from;
        const int dashes = std::abs(step.x()) > std::abs(step.y()) ? 5 : 4;
        for (int dash = 0; dash < dashes; ++dash) {
            const double start = (dash + 0.2) / dashes;
            const double end = (dash + 0.8) / dashes;
            path.moveTo(from + step * start);
            path.lineTo(from + step * end);
        }
    }
    return path;
}

QPainterPath photo()
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0.06, 0.16, 0.88, 0.68), 0.1, 0.1);
    path.moveTo(0.12, 0.76);
    path.lineTo(0.38, 0.48);
    path.lineTo(0.56, 0.66);
    path.lineTo(0.68, 0.56);
    path.lineTo(0.88, 0.76);
    path.addEllipse(QPointF(0.7, 0.34), 0.07, 0.07);
    return path;
}

QPainterPath questionmarkCircle()
{
    return circled([](QPainterPath &path) {
        path.moveTo(0.38, 0.4);
        path.arcTo(QRectF(0.38, 0.27, 0.24, 0.24), 180, -230);
        path.lineTo(0.5, 0.56);
        path.lineTo(0.5, 0.6);
        path.moveTo(0.5, 0.72);
        path.lineTo(0.5, 0.725);
    });
}

// An open ring with a stroke standing in its gap.
QPainterPath power()
{
    QPainterPath path;
    const QRectF ring(0.14, 0.16, 0.72, 0.72);
    path.arcMoveTo(ring, 120);
    path.arcTo(ring, 120, 300);
    path.moveTo(0.5, 0.06);
    path.lineTo(0.5, 0.46);
    return path;
}

// Three sliders, each a track with its knob at another place.
QPainterPath sliders()
{
    QPainterPath path;
    const struct {
        double y, knob;
    } rows[] = {{0.24, 0.66}, {0.5, 0.34}, {0.76, 0.58}};
    for (const auto &row : rows) {
        path.moveTo(0.1, row.y);
        path.lineTo(row.knob - 0.08, row.y);
        path.moveTo(row.knob + 0.08, row.y);
        path.lineTo(0.9, row.y);
        path.addEllipse(QPointF(row.knob, row.y), 0.08, 0.08);
    }
    return path;
}

// Most of a circle, turning clockwise, with the arrowhead at its open end.
QPainterPath arrowClockwise()
{
    QPainterPath path;
    path.arcMoveTo(QRectF(0.16, 0.16, 0.68, 0.68), 60);
    path.arcTo(QRectF(0.16, 0.16, 0.68, 0.68), 60, 300);
    path.moveTo(0.48, 0.08);
    path.lineTo(0.67, 0.21);
    path.lineTo(0.52, 0.38);
    return path;
}

QPainterPath arrowDownCircle()
{
    return circled([](QPainterPath &path) {
        path.moveTo(0.5, 0.28);
        path.lineTo(0.5, 0.70);
        path.moveTo(0.34, 0.55);
        path.lineTo(0.5, 0.71);
        path.lineTo(0.66, 0.55);
    });
}

QPainterPath magnifyingGlass()
{
    QPainterPath path;
    path.addEllipse(QPointF(0.42, 0.42), 0.27, 0.27);
    path.moveTo(0.62, 0.62);
    path.lineTo(0.88, 0.88);
    return path;
}

// Lines of text flush left, the second and last shorter.
QPainterPath textAlignLeft()
{
    QPainterPath path;
    const struct {
        double y, length;
    } lines[] = {{0.2, 0.8}, {0.4, 0.56}, {0.6, 0.8}, {0.8, 0.48}};
    for (const auto &line : lines) {
        path.moveTo(0.1, line.y);
        path.lineTo(0.1 + line.length, line.y);
    }
    return path;
}

// A push pin standing on its needle: cap, waist, a wide collar.
QPainterPath pinHead()
{
    QPainterPath path;
    path.moveTo(0.34, 0.08);
    path.lineTo(0.66, 0.08);
    path.lineTo(0.6, 0.16);
    path.lineTo(0.6, 0.4);
    path.lineTo(0.74, 0.56);
    path.lineTo(0.26, 0.56);
    path.lineTo(0.4, 0.4);
    path.lineTo(0.4, 0.16);
    path.closeSubpath();
    return path;
}

QPainterPath pinNeedle()
{
    QPainterPath path;
    path.moveTo(0.5, 0.56);
    path.lineTo(0.5, 0.94);
    return path;
}

QPainterPath pin()
{
    QPainterPath path = pinHead();
    path.addPath(pinNeedle());
    return path;
}

QPainterPath trash()
{
    QPainterPath path;
    path.moveTo(0.14, 0.24);
    path.lineTo(0.86, 0.24);
    path.moveTo(0.38, 0.24);
    path.lineTo(0.4, 0.12);
    path.lineTo(0.6, 0.12);
    path.lineTo(0.62, 0.24);
    path.moveTo(0.24, 0.24);
    path.lineTo(0.3, 0.9);
    path.lineTo(0.7, 0.9);
    path.lineTo(0.76, 0.24);
    path.moveTo(0.42, 0.38);
    path.lineTo(0.43, 0.76);
    path.moveTo(0.58, 0.38);
    path.lineTo(0.57, 0.76);
    return path;
}

// A clock inside an arrow that runs back round it.
QPainterPath clockArrowCirclepath()
{
    QPainterPath path;
    const QRectF ring(0.1, 0.1, 0.8, 0.8);
    path.arcMoveTo(ring, 160);
    path.arcTo(ring, 160, -300);
    // The arrowhead at the ring's open end, pointing along it.
    path.arcMoveTo(ring, 160);
    const QPointF tip = path.currentPosition();
    path.moveTo(tip + QPointF(-0.12, -0.04));
    path.lineTo(tip);
    path.lineTo(tip + QPointF(0.08, -0.1));
    path.moveTo(0.5, 0.3);
    path.lineTo(0.5, 0.52);
    path.lineTo(0.64, 0.62);
    return path;
}

QPainterPath lock()
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0.2, 0.44, 0.6, 0.46), 0.08, 0.08);
    path.moveTo(0.32, 0.44);
    path.lineTo(0.32, 0.32);
    path.arcTo(QRectF(0.32, 0.12, 0.36, 0.36), 180, -180);
    path.lineTo(0.68, 0.44);
    return path;
}

// A filled symbol's marks are cut out of its shape at a regular stroke's
// width. Boolean operations flatten curves at a fixed tolerance, so they work
// on the symbol at a hundred times its unit size.
constexpr double booleanScale = 100;

QPainterPath enlarged(const QPainterPath &path)
{
    return QTransform::fromScale(booleanScale, booleanScale).map(path);
}

QPainterPath toUnit(const QPainterPath &path)
{
    return QTransform::fromScale(1 / booleanScale, 1 / booleanScale).map(path);
}

QPainterPath outlineOf(const QPainterPath &lines)
{
    QPainterPathStroker stroker;
    stroker.setWidth(0.09 * booleanScale);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(enlarged(lines));
}

QPainterPath disc()
{
    QPainterPath path;
    path.addEllipse(QPointF(0.5, 0.5), 0.46, 0.46);
    return enlarged(path);
}

QPainterPath xmarkCircleFill()
{
    QPainterPath cross;
    cross.moveTo(0.35, 0.35);
    cross.lineTo(0.65, 0.65);
    cross.moveTo(0.65, 0.35);
    cross.lineTo(0.35, 0.65);
    return toUnit(disc().subtracted(outlineOf(cross)));
}

QPainterPath checkmarkCircleFill()
{
    QPainterPath check;
    check.moveTo(0.31, 0.51);
    check.lineTo(0.44, 0.64);
    check.lineTo(0.69, 0.37);
    return toUnit(disc().subtracted(outlineOf(check)));
}

QPainterPath pinFill()
{
    QPainterPath head = enlarged(pinHead());
    head.setFillRule(Qt::WindingFill);
    return toUnit(head.united(outlineOf(pinHead())).united(outlineOf(pinNeedle())));
}

struct Symbol {
    Symbol(QPainterPath (*build)(), bool filled = false) : build(build), filled(filled) {}

    QPainterPath (*build)();
    // Filled ("….fill"): the path is an area, not lines to stroke.
    bool filled;
};

const QHash<QString, Symbol> &builders()
{
    static const QHash<QString, Symbol> table{
        {QStringLiteral("viewfinder"), viewfinder},
        {QStringLiteral("text.viewfinder"), textViewfinder},
        {QStringLiteral("cpu"), cpu},
        {QStringLiteral("apple.logo"), systemRecogniser},
        {QStringLiteral("ellipsis.circle"), ellipsisCircle},
        {QStringLiteral("checkmark.circle"), checkmarkCircle},
        {QStringLiteral("exclamationmark.circle"), exclamationmarkCircle},
        {QStringLiteral("xmark"), xmark},
        {QStringLiteral("exclamationmark"), exclamationMark},
        {QStringLiteral("arrow.uturn.backward"), uturnBackward},
        {QStringLiteral("arrow.up.right"), arrowUpRight},
        {QStringLiteral("lock.shield"), lockShield},
        {QStringLiteral("checkmark.shield"), checkmarkShield},
        {QStringLiteral("slider.horizontal.3"), sliders},
        {QStringLiteral("arrow.clockwise"), arrowClockwise},
        {QStringLiteral("arrow.down.circle"), arrowDownCircle},
        {QStringLiteral("magnifyingglass"), magnifyingGlass},
        {QStringLiteral("text.alignleft"), textAlignLeft},
        {QStringLiteral("pin"), pin},
        {QStringLiteral("pin.fill"), {pinFill, true}},
        {QStringLiteral("trash"), trash},
        {QStringLiteral("clock.arrow.circlepath"), clockArrowCirclepath},
        {QStringLiteral("lock"), lock},
        {QStringLiteral("xmark.circle.fill"), {xmarkCircleFill, true}},
        {QStringLiteral("checkmark.circle.fill"), {checkmarkCircleFill, true}},
        {QStringLiteral("doc.on.doc"), docOnDoc},
        {QStringLiteral("checkmark"), checkmark},
        {QStringLiteral("arrow.down.doc"), arrowDownDoc},
        {QStringLiteral("rectangle.dashed"), rectangleDashed},
        {QStringLiteral("photo"), photo},
        {QStringLiteral("questionmark.circle"), questionmarkCircle},
        {QStringLiteral("power"), power},
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
    case SymbolLibrary::Weight::semibold:
        return 0.11;
    case SymbolLibrary::Weight::bold:
        return 0.14;
    }
    return 0.075;
}

} // namespace

bool SymbolLibrary::contains(const QString &name)
{
    return builders().contains(name);
}

bool SymbolLibrary::isFilled(const QString &name)
{
    const auto symbol = builders().constFind(name);
    return symbol != builders().cend() && symbol->filled;
}

QPainterPath SymbolLibrary::path(const QString &name)
{
    // Built once each: a list of rows paints the same few symbols over and over.
    static QMutex guard;
    static QHash<QString, QPainterPath> built;
    const QMutexLocker lock(&guard);
    const auto known = built.constFind(name);
    if (known != built.cend())
        return *known;
    const auto symbol = builders().constFind(name);
    const QPainterPath path = symbol == builders().cend() ? QPainterPath() : symbol->build();
    built.insert(name, path);
    return path;
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
    if (isFilled(name)) {
        painter.fillPath(path(name), colour);
        painter.restore();
        return;
    }
    QPen pen(colour, strokeFraction(weight), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path(name));
    painter.restore();
}

QIcon SymbolLibrary::icon(const QString &name, double side, const QColor &colour, Weight weight)
{
    QIcon icon;
    // Sharp at the common scales.
    for (const double ratio : {1.0, 2.0}) {
        QPixmap pixmap(QSize(int(side * ratio), int(side * ratio)));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(painter, name, QRectF(0, 0, side, side), colour, weight);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

#include "services/MarkerRun.h"

#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// A terminal's cells, 16 px wide, beside capitals 22 px tall; the marks are
// drawn the way Tesseract binarises a terminal's "~" and "^": a thin wave
// that joins its neighbours, and a chevron.
constexpr int cell = 16;
constexpr int capitals = 22;

void wave(QPainter &painter, int left, int cells)
{
    QPainterPath path(QPointF(left, 10));
    for (int x = 0; x <= cells * cell; ++x)
        path.lineTo(left + x, 10 + 1.5 * std::sin(2 * M_PI * x / cell));
    painter.drawPath(path);
}

void chevron(QPainter &painter, int left)
{
    painter.drawPolyline(QPolygon({QPoint(left + 1, 12), QPoint(left + 7, 4), QPoint(left + 13, 12)}));
}

QImage ink(const std::function<void(QPainter &)> &draw)
{
    QImage image(200, 16, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 2));
    draw(painter);
    painter.end();
    return image;
}

} // namespace

TEST(MarkerRunTest, ReadsTildesAndCaretsFromTheirInkOnly)
{
    const struct {
        const char *what;
        QImage ink;
        const char *read;
    } cases[] = {
        {"operands and operator",
         ink([](QPainter &p) { wave(p, 2, 4), chevron(p, 2 + 5 * cell), wave(p, 2 + 7 * cell, 4); }), "~~~~ ^ ~~~~"},
        {"one operand", ink([](QPainter &p) { wave(p, 2, 8); }), "~~~~~~~~"},
        {"a straight rule", ink([](QPainter &p) { p.drawLine(2, 10, 2 + 6 * cell, 10); }), ""},
        {"bullets", ink([](QPainter &p) {
             p.setBrush(Qt::black);
             p.drawEllipse(QRect(2, 4, 7, 7)), p.drawEllipse(QRect(40, 4, 7, 7));
         }),
         ""},
        {"a letter", ink([](QPainter &p) { p.drawRect(QRect(2, 1, 10, 13)); }), ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MarkerRun::read(c.ink, cell, capitals), QString::fromUtf8(c.read)) << c.what;
}

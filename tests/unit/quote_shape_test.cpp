#include "services/QuoteShape.h"

#include <QPainter>
#include <QPolygon>
#include <gtest/gtest.h>

namespace {

// Marks drawn in black on white, each a polygon in a 12 x 16 cell.
QImage marks(const QList<QPolygon> &shapes)
{
    QImage image(12 * int(std::max<qsizetype>(1, shapes.size())), 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int i = 0; i < shapes.size(); ++i)
        painter.drawPolygon(shapes[i].translated(12 * i, 0));
    return image;
}

// A straight quote: a wedge, wide at the top, standing upright.
const QPolygon wedge({QPoint(4, 2), QPoint(8, 2), QPoint(7, 12), QPoint(5, 12)});
// A curly quote: a blob at one end, its tail leaning like a comma.
const QPolygon comma({QPoint(7, 2), QPoint(10, 2), QPoint(10, 6), QPoint(5, 13), QPoint(3, 13), QPoint(6, 6)});

} // namespace

TEST(QuoteShapeTest, StraightQuotesStandUprightAndCurlyOnesLean)
{
    const struct {
        const char *name;
        QImage glyph;
        bool upright;
    } cases[] = {
        {"single straight", marks({wedge}), true},
        {"double straight", marks({wedge, wedge}), true},
        {"single curly", marks({comma}), false},
        {"double curly", marks({comma, comma}), false},
        {"nothing drawn", marks({}), false},
        {"too short to tell", marks({QPolygon({QPoint(4, 2), QPoint(8, 2), QPoint(8, 4), QPoint(4, 4)})}), false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(QuoteShape::standsUpright(c.glyph), c.upright) << c.name;
}

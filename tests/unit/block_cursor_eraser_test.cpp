#include "services/BlockCursorEraser.h"

#include <QPainter>
#include <gtest/gtest.h>

TEST(BlockCursorEraserTest, CellShapes)
{
    const struct {
        int width, height;
        bool cell;
    } cases[] = {
        {8, 16, true},   // a block cursor of a 13 px monospaced font
        {10, 14, true},  // a short, wide cell
        {7, 19, true},   // a narrow cell
        {3, 14, false},  // the stroke of an "l" or "|"
        {12, 12, false}, // a full stop or a square icon
        {16, 8, false},  // a dash
        {4, 7, false},   // too small to tell
    };
    for (const auto &c : cases)
        EXPECT_EQ(BlockCursorEraser::isCellShaped(c.width, c.height), c.cell) << c.width << " x " << c.height;
}

TEST(BlockCursorEraserTest, TheCursorGoesAndTheGlyphsStay)
{
    // A terminal line: glyphs as outlines 11 px tall, a full stop, an "l"
    // and the cursor, a solid cell 16 px tall, in light on dark.
    for (const QImage::Format format : {QImage::Format_RGB888, QImage::Format_Grayscale8}) {
        QImage page(200, 40, QImage::Format_RGB32);
        page.fill(QColor(0x10, 0x10, 0x10));
        QPainter painter(&page);
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(Qt::NoBrush);
        for (int x = 10; x < 100; x += 12)
            painter.drawRect(QRect(x, 14, 7, 9));
        painter.fillRect(QRect(105, 20, 4, 4), Qt::white);  // full stop
        painter.fillRect(QRect(115, 10, 3, 14), Qt::white); // "l"
        painter.fillRect(QRect(130, 10, 8, 16), Qt::white); // cursor
        painter.end();
        QImage erased = page.convertToFormat(format);

        BlockCursorEraser::erase(erased);

        EXPECT_EQ(qGray(erased.pixel(134, 18)), 0x10) << format;
        EXPECT_EQ(qGray(erased.pixel(106, 21)), 0xff) << format;
        EXPECT_EQ(qGray(erased.pixel(116, 18)), 0xff) << format;
        EXPECT_EQ(qGray(erased.pixel(10, 18)), 0xff) << format;
    }
}

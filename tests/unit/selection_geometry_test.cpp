#include "models/SelectionGeometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const QRectF screen(0, 0, 1440, 900);

QRectF step(const QRectF &selection, int key, bool resize = false, bool precise = false, const QRectF &bounds = screen)
{
    return SelectionGeometry::adjusted(selection, bounds, key, resize, precise);
}

} // namespace

TEST(SelectionGeometryTest, DragSpansBothCornersAndIsCutAtTheBounds)
{
    EXPECT_EQ(SelectionGeometry::rectangle({300, 200}, {100, 50}, screen), QRectF(100, 50, 200, 150));
    EXPECT_EQ(SelectionGeometry::rectangle({300, 200}, {1600, 950}, screen), QRectF(300, 200, 1140, 700));
    const QRectF click = SelectionGeometry::rectangle({30, 40}, {30, 40}, screen);
    EXPECT_EQ(click, QRectF(30, 40, 0, 0));
    EXPECT_TRUE(SelectionGeometry::isEmpty(click));
    EXPECT_FALSE(SelectionGeometry::isNull(click));
}

TEST(SelectionGeometryTest, FirstArrowCreatesTheCentredRectangleAndStepsIt)
{
    const QRectF none;
    EXPECT_EQ(step(none, Qt::Key_Right), QRectF(490, 370, 480, 160));
    EXPECT_EQ(step(none, Qt::Key_Left, true), QRectF(480, 370, 470, 160));
    EXPECT_EQ(step(none, Qt::Key_Right, false, true), QRectF(481, 370, 480, 160));
    EXPECT_EQ(step(none, Qt::Key_Left, true, true), QRectF(480, 370, 479, 160));
    EXPECT_EQ(step(none, Qt::Key_Escape), QRectF(480, 370, 480, 160));
    EXPECT_EQ(step(SelectionGeometry::null(), Qt::Key_Right), QRectF(490, 370, 480, 160));
}

TEST(SelectionGeometryTest, StartingRectangleFillsSmallBounds)
{
    const QRectF small(0, 0, 300, 100);
    EXPECT_EQ(step(QRectF(), Qt::Key_Escape, false, false, small), QRectF(0, 0, 300, 100));
    EXPECT_EQ(step(QRectF(), Qt::Key_Right, false, false, small), QRectF(0, 0, 300, 100));
}

TEST(SelectionGeometryTest, ResizeKeepsTheMinimumWidthUnlessTheBoundsForbidIt)
{
    const QRectF narrow(100, 100, 12, 50);
    EXPECT_EQ(step(narrow, Qt::Key_Left, true), QRectF(100, 100, 8, 50));
    EXPECT_EQ(step(narrow, Qt::Key_Left, true, true), QRectF(100, 100, 11, 50));
    // The origin lies 5 points from the far edge: the upper limit (the outer min) wins.
    EXPECT_EQ(step(QRectF(1435, 100, 5, 50), Qt::Key_Left, true), QRectF(1435, 100, 5, 50));
    // Bounds narrower than the minimum make their own width the lower limit.
    EXPECT_EQ(step(QRectF(0, 0, 5, 5), Qt::Key_Left, true, false, QRectF(0, 0, 6, 6)), QRectF(0, 0, 6, 6));
}

TEST(SelectionGeometryTest, RightEdgeOnTheBoundsStopsGrowthAndMovement)
{
    const QRectF touching(1340, 100, 100, 50);
    EXPECT_EQ(step(touching, Qt::Key_Right, true), touching);
    EXPECT_EQ(step(touching, Qt::Key_Right), touching);
}

TEST(SelectionGeometryTest, UpMovesUpAndDownGrowsDownwards)
{
    const QRectF selection(100, 100, 200, 50);
    EXPECT_EQ(step(selection, Qt::Key_Up), QRectF(100, 90, 200, 50));
    EXPECT_EQ(step(selection, Qt::Key_Down, true), QRectF(100, 100, 200, 60));
    EXPECT_EQ(step(QRectF(100, 0, 200, 50), Qt::Key_Up), QRectF(100, 0, 200, 50));
}

TEST(SelectionGeometryTest, OtherKeysOnlyClamp)
{
    const QRectF inside(100, 100, 100, 50);
    EXPECT_EQ(step(inside, Qt::Key_A), inside);
    EXPECT_EQ(step(QRectF(-10, 100, 100, 50), Qt::Key_A), QRectF(0, 100, 100, 50));
    EXPECT_EQ(step(QRectF(-10, 100, 100, 50), Qt::Key_A, true), QRectF(0, 100, 90, 50));
}

TEST(SelectionGeometryTest, WiderThanTheBoundsIsPlacedLeftOfThemAndCut)
{
    EXPECT_EQ(step(QRectF(0, 0, 200, 50), Qt::Key_Right, false, false, QRectF(0, 0, 150, 100)), QRectF(0, 0, 150, 50));
}

TEST(SelectionGeometryTest, PixelRectWidensToWholePixelsWithIndependentScales)
{
    EXPECT_EQ(SelectionGeometry::pixelRect(QRectF(10.25, 20.5, 100.5, 50.25), {1440, 900}, {2880, 1800}),
              QRectF(20, 41, 202, 101));
    // Fractional scale 1.5 with a rounded logical height: x and y scale apart.
    EXPECT_EQ(SelectionGeometry::pixelRect(QRectF(100, 100, 10, 10), {1280, 719}, {1920, 1080}),
              QRectF(150, 150, 15, 16));
    EXPECT_EQ(SelectionGeometry::pixelRect(QRectF(0, 0, 1280, 719), {1280, 719}, {1920, 1080}),
              QRectF(0, 0, 1920, 1080));
}

TEST(SelectionGeometryTest, PixelRectKeepsEdgesThatFallOnPixelBoundariesAtFractionalScales)
{
    // Device pixels divided by 1.5 and scaled back carry rounding noise.
    for (const QRect pixels : {QRect(601, 403, 456, 308), QRect(1, 1, 1, 1), QRect(3839, 2159, 1, 1)}) {
        const QRectF points(pixels.x() / 1.5, pixels.y() / 1.5, pixels.width() / 1.5, pixels.height() / 1.5);
        EXPECT_EQ(SelectionGeometry::pixelRect(points, {2560, 1440}, {3840, 2160}), QRectF(pixels));
    }
}

TEST(SelectionGeometryTest, PixelRectOfAnEmptyViewIsZero)
{
    const QRectF zero(0, 0, 0, 0);
    EXPECT_EQ(SelectionGeometry::pixelRect(QRectF(1, 2, 3, 4), {0, 900}, {2880, 1800}), zero);
    EXPECT_EQ(SelectionGeometry::pixelRect(QRectF(1, 2, 3, 4), {1440, -1}, {2880, 1800}), zero);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(SelectionGeometry::pixelRect(QRectF(1, 2, 3, 4), {nan, 900}, {2880, 1800}), zero);
}

TEST(SelectionGeometryTest, PixelRectIsCutAtTheImageEdgeAndNullOutsideIt)
{
    EXPECT_EQ(SelectionGeometry::pixelRect(QRectF(1400, 880, 100, 100), {1440, 900}, {2880, 1800}),
              QRectF(2800, 1760, 80, 40));
    EXPECT_TRUE(
        SelectionGeometry::isNull(SelectionGeometry::pixelRect(QRectF(1500, 10, 10, 10), {1440, 900}, {2880, 1800})));
}

TEST(SelectionGeometryTest, BadgeGoesBelowOrAboveTheSelection)
{
    const QSizeF badge(150, 32);
    EXPECT_EQ(SelectionGeometry::badgeFrame(QRectF(100, 100, 300, 200), screen, badge), QRectF(175, 312, 150, 32));
    EXPECT_EQ(SelectionGeometry::badgeFrame(QRectF(100, 680, 300, 200), screen, badge), QRectF(175, 636, 150, 32));
    // Ending exactly 8 points above the bottom still fits below.
    EXPECT_EQ(SelectionGeometry::badgeFrame(QRectF(100, 648, 300, 200), screen, badge).y(), 860);
}

TEST(SelectionGeometryTest, BadgeStaysEightPointsInsideEveryEdge)
{
    const QSizeF badge(150, 32);
    EXPECT_EQ(SelectionGeometry::badgeFrame(QRectF(0, 100, 40, 40), screen, badge).x(), 8);
    EXPECT_EQ(SelectionGeometry::badgeFrame(QRectF(1420, 100, 20, 40), screen, badge).x(), 1440 - 150 - 8);
    EXPECT_EQ(SelectionGeometry::badgeFrame(QRectF(100, 0, 40, 900), screen, badge).y(), 8);
    EXPECT_EQ(SelectionGeometry::badgeFrame(QRectF(100, 0, 40, 5), screen, badge).y(), 17);
    const QRectF tiny = SelectionGeometry::badgeFrame(QRectF(10, 10, 20, 10), QRectF(0, 0, 100, 30), badge);
    EXPECT_EQ(tiny.size(), QSizeF(84, 14));
    EXPECT_EQ(tiny.x(), 8);
}

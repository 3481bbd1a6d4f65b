#include "platform/X11DevicePointer.h"

#include <QMouseEvent>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

std::optional<QPointF> positionOf(QEvent::Type type, QPointF logical, quint32 time, const QWindow &window)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent mouse(type, logical, logical, logical, button, Qt::LeftButton, Qt::NoModifier);
    mouse.setTimestamp(time);
    return X11DevicePointer::shared().devicePosition(mouse, window);
}

} // namespace

// The X events of one quick drag, all in the same millisecond, as Qt reads
// them before it delivers any: a motion it compressed away, the press twice
// (master and slave device), the last motion and the release twice.
TEST(X11DevicePointerTest, EachMouseEventGetsTheDevicePositionOfItsOwnXEvent)
{
    QWindow window;
    window.create();
    const auto id = quint32(window.winId());
    const qreal ratio = window.devicePixelRatio();
    X11DevicePointer &pointer = X11DevicePointer::shared();
    const quint32 time = 4242;
    const QPointF press(601, 403), moved(700, 500), last(1057, 711);
    pointer.record({QEvent::MouseMove, time, id, press});
    pointer.record({QEvent::MouseButtonPress, time, id, press});
    pointer.record({QEvent::MouseButtonPress, time, id, press});
    pointer.record({QEvent::MouseMove, time, id, moved});
    pointer.record({QEvent::MouseMove, time, id, last});
    pointer.record({QEvent::MouseButtonRelease, time, id, last});
    pointer.record({QEvent::MouseButtonRelease, time, id, last});
    // Qt rounds to whole logical points.
    const auto rounded = [ratio](QPointF device) { return QPointF((device / ratio).toPoint()); };

    EXPECT_EQ(positionOf(QEvent::MouseButtonPress, rounded(press), time, window), press);
    EXPECT_EQ(positionOf(QEvent::MouseMove, rounded(last), time, window), last) << "the compressed motion is skipped";
    EXPECT_EQ(positionOf(QEvent::MouseButtonRelease, rounded(last), time, window), last);
    EXPECT_EQ(positionOf(QEvent::MouseButtonRelease, rounded(last), time + 1, window), std::nullopt) << "another time";
    EXPECT_EQ(positionOf(QEvent::MouseButtonRelease, rounded(press), time, window), std::nullopt) << "another place";
    EXPECT_EQ(positionOf(QEvent::MouseButtonPress, rounded(press), time, window), std::nullopt) << "consumed";
}

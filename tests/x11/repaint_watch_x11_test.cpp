#include "platform/X11Connection.h"
#include "platform/X11RepaintWatch.h"

#include "support/Patience.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <optional>

namespace {

constexpr int timeoutMs = Patience::untilHung;

// Sees each damage report before the repaint watch does (the filter installed
// last is asked first) and looks at the watch once it has handled the report
// of `area` repainted: queued, so it runs after the watch's own filter.
class AfterRepaintReport final : public QAbstractNativeEventFilter {
public:
    explicit AfterRepaintReport(QRect area) : area_(area)
    {
        damageEvent_ =
            xcb_get_extension_data(X11Connection::connection(), &xcb_damage_id)->first_event + XCB_DAMAGE_NOTIFY;
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~AfterRepaintReport() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if (eventType != "xcb_generic_event_t" || (event->response_type & 0x7f) != damageEvent_ || settledThen)
            return false;
        const auto *notify = reinterpret_cast<const xcb_damage_notify_event_t *>(event);
        if (QRect(notify->area.x, notify->area.y, notify->area.width, notify->area.height) != area_)
            return false;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this] { settledThen = X11RepaintWatch::shared().isSettled(); },
            Qt::QueuedConnection);
        return false;
    }

    std::optional<bool> settledThen;

private:
    QRect area_;
    std::uint8_t damageEvent_ = 0;
};

} // namespace

// A window of ours hidden over the bare root: the server repaints the root's
// background there at once. Without a compositor nothing fades, so that one
// repaint settles the area; a compositor's fade-out goes on drawing, so with
// one the area waits for drawing to pause.
TEST(X11RepaintWatchX11Test, WithoutACompositorOneRepaintOfTheUncoveredAreaSettlesIt)
{
    ASSERT_NE(X11Connection::connection(), nullptr);
    X11RepaintWatch &watch = X11RepaintWatch::shared();
    for (const char *compositor : {"0", "1"}) {
        SCOPED_TRACE(compositor);
        qputenv("RAVELOND_COMPOSITOR", compositor);
        ASSERT_TRUE(QTest::qWaitFor([&] { return watch.isSettled(); }, timeoutMs));
        QWidget own(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        own.setGeometry(QRect(120, 140, 300, 200));
        own.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&own, timeoutMs));
        AfterRepaintReport report(own.geometry());
        own.hide();
        ASSERT_TRUE(QTest::qWaitFor([&] { return report.settledThen.has_value(); }, timeoutMs))
            << "no report of the uncovered area repainted";
        EXPECT_EQ(*report.settledThen, QByteArray(compositor) == "0");
        EXPECT_TRUE(QTest::qWaitFor([&] { return watch.isSettled(); }, timeoutMs));
    }
    qunsetenv("RAVELOND_COMPOSITOR");
}

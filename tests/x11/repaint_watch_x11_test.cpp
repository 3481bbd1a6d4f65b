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

#include <cstdlib>
#include <optional>
#include <string>

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

// Another program's window with a background the server fills when it is
// uncovered; its program never repaints it.
class WindowBelow {
public:
    explicit WindowBelow(QRect frame) : connection_(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        const std::uint32_t values[] = {screen->white_pixel, 1};
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, std::int16_t(frame.x()),
                          std::int16_t(frame.y()), std::uint16_t(frame.width()), std::uint16_t(frame.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(connection_, window_);
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }
    ~WindowBelow() { xcb_disconnect(connection_); }

private:
    xcb_connection_t *connection_;
    xcb_window_t window_ = 0;
};

} // namespace

// A window of ours hidden over the bare root: the server repaints the root's
// background there at once. Without a compositor nothing fades, so that one
// repaint settles the area; a compositor's fade-out goes on drawing, so with
// one the area waits for drawing to pause. Over another program's window the
// server's fill of its background comes first and that program's own repaint
// may follow: the fill alone settles nothing.
TEST(X11RepaintWatchX11Test, WithoutACompositorOneRepaintOfTheUncoveredAreaSettlesIt)
{
    ASSERT_NE(X11Connection::connection(), nullptr);
    X11RepaintWatch &watch = X11RepaintWatch::shared();
    const QRect frame(120, 140, 300, 200);
    const struct {
        const char *compositor;
        bool overAnotherWindow;
        bool settledByOneRepaint;
    } cases[] = {{"0", false, true}, {"1", false, false}, {"0", true, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.compositor) + (c.overAnotherWindow ? " over another window" : " over the root"));
        qputenv("RAVELOND_COMPOSITOR", c.compositor);
        ASSERT_TRUE(QTest::qWaitFor([&] { return watch.isSettled(); }, timeoutMs));
        std::optional<WindowBelow> below;
        if (c.overAnotherWindow)
            below.emplace(frame.adjusted(-20, -20, 20, 20));
        QWidget own(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        own.setGeometry(frame);
        own.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&own, timeoutMs));
        AfterRepaintReport report(own.geometry());
        own.hide();
        ASSERT_TRUE(QTest::qWaitFor([&] { return report.settledThen.has_value(); }, timeoutMs))
            << "no report of the uncovered area repainted";
        EXPECT_EQ(*report.settledThen, c.settledByOneRepaint);
        EXPECT_TRUE(QTest::qWaitFor([&] { return watch.isSettled(); }, timeoutMs));
    }
    qunsetenv("RAVELOND_COMPOSITOR");
}

// The feedback panel's fades as the X server sees them, step by step.
#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/WindowController.h"
#include "stores/Preferences.h"
#include "support/ManualAnimationDriver.h"
#include "support/Patience.h"

#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// The window's opacity as the server holds it (0 transparent, 1 opaque), read
// on a connection of the test's own while this process handles no event, so
// nothing of ours can send what is waiting in its own connection's buffer.
std::optional<double> serverOpacity(quint32 window)
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return std::nullopt;
    }
    const char name[] = "_NET_WM_WINDOW_OPACITY";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr), &std::free);
    std::optional<double> opacity;
    if (atom) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
            xcb_get_property_reply(
                connection, xcb_get_property(connection, 0, window, atom->atom, XCB_ATOM_CARDINAL, 0, 1), nullptr),
            &std::free);
        if (property && xcb_get_property_value_length(property.get()) == 4)
            opacity = *static_cast<const quint32 *>(xcb_get_property_value(property.get())) / double(0xffffffffu);
        else if (property)
            opacity = 1; // no property: opaque
    }
    xcb_disconnect(connection);
    return opacity;
}

} // namespace

TEST(FeedbackFadeX11Test, EveryStepOfTheFadeOutReachesTheServerAsItIsTaken)
{
    ManualAnimationDriver animations;
    AppComposition composition;
    AppDelegate delegate(composition.modelDependencies(), composition.shellDependencies(),
                         CommandLineOptions::parse({QStringLiteral("ravelond")}));
    delegate.model().settings().setHasSeenWelcome(true);
    delegate.launch();
    WindowController &windows = delegate.windows();
    windows.showFeedback(delegate.model());
    QWidget *panel = windows.feedbackPanel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel, Patience::untilHung));
    animations.advance(400);
    ASSERT_EQ(panel->windowOpacity(), 1.0);

    windows.hideFeedback();
    animations.advance(64);
    const double shown = panel->windowOpacity();
    ASSERT_GT(shown, 0.05);
    ASSERT_LT(shown, 0.95);
    const std::optional<double> atServer = serverOpacity(quint32(panel->winId()));
    ASSERT_TRUE(atServer.has_value());
    EXPECT_NEAR(*atServer, shown, 0.01);
}

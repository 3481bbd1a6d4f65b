#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/FeedbackPanelPresenter.h"
#include "app/StatusBarController.h"
#include "app/WindowController.h"
#include "platform/X11HotKeyGrabber.h"
#include "services/GlobalShortcut.h"
#include "stores/Preferences.h"
#include "support/DesktopTools.h"
#include "support/ImageFixtures.h"
#include "support/Patience.h"
#include "support/TestEnvironment.h"
#include "support/TrayDock.h"

#include <QAbstractNativeEventFilter>
#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>

using namespace std::chrono_literals;

namespace {

// The program's own composition in this process, on the real X server with
// its window manager and tray, so the test can look inside.
class ShellDesktopTest : public ::testing::Test {
protected:
    std::unique_ptr<AppDelegate> launch(QStringList arguments = {})
    {
        arguments.prepend(QStringLiteral("ravelond"));
        auto delegate = std::make_unique<AppDelegate>(composition.modelDependencies(), composition.shellDependencies(),
                                                      CommandLineOptions::parse(arguments));
        delegate->model().settings().setHasSeenWelcome(true);
        delegate->model().settings().setPlaySound(false);
        delegate->launch();
        return delegate;
    }

    AppComposition composition;
};

} // namespace

TEST_F(ShellDesktopTest, AHotKeyHeldByAnotherApplicationIsPublishedAsAConflictUntilAnotherPresetIsChosen)
{
    QProcess holder;
    QSignalSpy said(&holder, &QProcess::readyReadStandardOutput);
    holder.start(qEnvironmentVariable("RAVELOND_TEST_BINARY_DIR") + QStringLiteral("/hold_hot_key"));
    ASSERT_TRUE(said.wait(20000));
    ASSERT_EQ(holder.readAllStandardOutput().trimmed(), QByteArray("held"));

    auto delegate = launch();
    EXPECT_TRUE(QTest::qWaitFor([&] { return delegate->model().shortcutConflict(); }, Patience::untilHung));
    delegate->model().settings().setShortcut(ShortcutPreset::controlShift2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !delegate->model().shortcutConflict(); }, Patience::untilHung));
    holder.closeWriteChannel();
    holder.waitForFinished(5000);

    // Under a Wayland session the root window of XWayland never sees other clients' keys.
    X11HotKeyGrabber grabber;
    qputenv("XDG_SESSION_TYPE", "wayland");
    EXPECT_FALSE(grabber.grab(GlobalShortcut::chord(ShortcutPreset::commandShift2)));
    qunsetenv("XDG_SESSION_TYPE");
    EXPECT_TRUE(grabber.grab(GlobalShortcut::chord(ShortcutPreset::commandShift2)));
}

TEST(HotKeyX11Test, AChordHeldWhileTheKeyboardRepeatsItCountsOnceAndEveryNewPressAgain)
{
    X11HotKeyGrabber grabber;
    ASSERT_TRUE(grabber.grab(GlobalShortcut::chord(ShortcutPreset::controlOptionC)));
    int presses = 0;
    QObject::connect(&grabber, &HotKeyGrabber::pressed, [&] { ++presses; });
    // Held well past the repeat delay (the server repeats it about 25 times a second), then pressed twice.
    QProcess keys;
    QSignalSpy typed(&keys, &QProcess::finished);
    keys.start(QStringLiteral("xdotool"), {"keydown", "ctrl+alt+c", "sleep", "1.5", "keyup", "ctrl+alt+c", "key",
                                           "ctrl+alt+c", "key", "ctrl+alt+c"});
    ASSERT_TRUE(typed.wait(20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses >= 3; }, Patience::untilHung));
    QCoreApplication::processEvents();
    EXPECT_EQ(presses, 3);
}

namespace {

// Counts the key events that reach the connection before the chord's own press
// (after it, the grab it started brings the chord's releases too).
class ForeignKeyCounter final : public QAbstractNativeEventFilter {
public:
    explicit ForeignKeyCounter(quint8 chordKey) : chordKey_(chordKey) { qApp->installNativeEventFilter(this); }
    ~ForeignKeyCounter() override { qApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
    {
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        const int type = event->response_type & 0x7f;
        if (chordArrived_)
            return false;
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            if (reinterpret_cast<const xcb_key_press_event_t *>(event)->detail == chordKey_ && type == XCB_KEY_PRESS)
                chordArrived_ = true;
            else
                ++seen;
        } else if (type == XCB_GE_GENERIC) {
            // Any XInput key event, raw or not: nothing of ours has the focus.
            const auto *generic = reinterpret_cast<const xcb_ge_generic_event_t *>(event);
            if (generic->event_type >= XCB_INPUT_KEY_PRESS && generic->event_type <= XCB_INPUT_KEY_RELEASE)
                ++seen;
            if (generic->event_type >= XCB_INPUT_RAW_KEY_PRESS && generic->event_type <= XCB_INPUT_RAW_KEY_RELEASE)
                ++seen;
        }
        return false;
    }

    int seen = 0;

private:
    quint8 chordKey_;
    bool chordArrived_ = false;
};

} // namespace

TEST(HotKeyX11Test, TypingInAnotherApplicationReachesNoKeyEventButTheChordsOwn)
{
    X11HotKeyGrabber grabber;
    ASSERT_TRUE(grabber.grab(GlobalShortcut::chord(ShortcutPreset::controlOptionC)));
    int presses = 0;
    QObject::connect(&grabber, &HotKeyGrabber::pressed, [&] { ++presses; });
    xcb_connection_t *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(connection);
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, 0x63 /* c */);
    ForeignKeyCounter foreign(codes[0]);
    std::free(codes);
    xcb_key_symbols_free(symbols);

    QProcess other;
    other.start(QStringLiteral("xev"), {QStringLiteral("-name"), QStringLiteral("ravelond-typing-target")});
    ASSERT_TRUE(other.waitForStarted());
    // The chord comes last: once it has arrived, every key typed before it has been delivered too.
    DesktopTools::xdotool({"search", "--sync", "--name", "ravelond-typing-target", "windowactivate", "--sync", "type",
                           "--delay", "1", "Hello there, other program"});
    DesktopTools::xdotool({"key", "ctrl+alt+c"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses >= 1; }, Patience::untilHung));
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(foreign.seen, 0);
    other.kill();
    other.waitForFinished();
}

TEST_F(ShellDesktopTest, EachPhaseSymbolIsDrawnOnceSoCapturesAddNothingToThePixmapCache)
{
    auto delegate = launch();
    QSystemTrayIcon &item = delegate->statusBar()->item();
    const qint64 idle = item.icon().cacheKey();
    AppModel &model = delegate->model();
    for (int capture = 0; capture < 2; ++capture) {
        model.startCapture();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::selecting; }, Patience::untilHung));
        EXPECT_NE(item.icon().cacheKey(), idle);
        model.cancel();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.phase().isBusy(); }, Patience::untilHung));
        // Cancelled shows the idle symbol: the very same icon.
        EXPECT_EQ(item.icon().cacheKey(), idle) << "capture " << capture;
    }
}

TEST_F(ShellDesktopTest, ALeftClickOnTheTrayIconOpensThePopoverBelowItAndARightClickTheMenu)
{
    auto delegate = launch();
    StatusBarController &status = *delegate->statusBar();
    // The tray here sits at the top right.
    const QRect icon = TrayDock::dockedGeometry(status.item());
    ASSERT_FALSE(icon.isEmpty()) << "never docked";
    EXPECT_EQ(status.item().toolTip(), QStringLiteral("Ravelond — Capture text"));

    DesktopTools::click(icon.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return status.popover()->isVisible(); }, Patience::untilHung));
    const QRect popover = status.popover()->frameGeometry();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_GE(popover.top(), icon.bottom()) << "below the icon";
    EXPECT_LE(popover.top(), icon.bottom() + 4);
    EXPECT_LE(popover.right(), screen.right());
    EXPECT_LE(popover.left(), icon.right());
    EXPECT_EQ(status.popover()->objectName(), QStringLiteral("statusPopover"));

    DesktopTools::click(icon.center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !status.popover()->isVisible(); }, Patience::untilHung));
    QTest::qWait(300); // the click that closed it must not have reopened it
    EXPECT_FALSE(status.popover()->isVisible());

    DesktopTools::click(icon.center(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return status.menu()->isVisible(); }, Patience::untilHung));
    EXPECT_TRUE(status.captureAction()->isEnabled());
    EXPECT_FALSE(status.popover()->isVisible());
    DesktopTools::xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !status.menu()->isVisible(); }, Patience::untilHung));
}

TEST_F(ShellDesktopTest, ThePanelSitsBelowTheTopWithoutTakingTheFocusAndATornDownActivePanelReportsItsFocusGone)
{
    const QString image = QDir(TestEnvironment::root()).filePath("panel.png");
    ASSERT_TRUE(ImageFixtures::text(QStringLiteral("Panel"), 48).save(image));
    auto delegate = launch({QStringLiteral("--open-image"), image});
    AppModel &model = delegate->model();
    model.setDismissDelays(60s, 60s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::copied; }, 20000));
    QWidget *panel = delegate->windows().feedbackPanel();
    ASSERT_NE(panel, nullptr);
    const QRect target = FeedbackPanelPresenter::frame(QGuiApplication::primaryScreen()->availableGeometry(), false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->frameGeometry() == target && panel->windowOpacity() == 1; },
                                Patience::untilHung))
        << "at " << panel->frameGeometry().y();
    EXPECT_FALSE(panel->isActiveWindow()) << "shown without taking the focus";

    DesktopTools::click(target.topLeft() + QPoint(30, 30));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->isActiveWindow(); }, Patience::untilHung));
    model.setDismissDelays(100ms, 100ms);
    delegate->windows().hideFeedback(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.phase().kind() == CapturePhase::idle; }, Patience::untilHung))
        << "the dismissal waits for a focus that has gone";
}

#include "models/SelectionGeometry.h"
#include "models/TrovError.h"
#include "platform/X11ScreenRecordingPermission.h"
#include "services/ScreenSelection.h"
#include "support/Await.h"
#include "support/Patience.h"
#include "support/PixelPattern.h"
#include "views/SelectionOverlay.h"
#include "views/SelectionOverlayPresenter.h"
#include "views/SelectionWindow.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

struct Outcome {
    std::optional<QImage> image;
    std::optional<TrovError> error;
};

QCoro::Task<void> record(QCoro::Task<QImage> call, Outcome &outcome)
{
    try {
        outcome.image = co_await std::move(call);
    } catch (const TrovError &error) {
        outcome.error = error;
    }
}

QImage comparable(QImage image)
{
    image = image.convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    return image;
}

void paintMagenta(QWidget &window)
{
    window.setAutoFillBackground(true);
    QPalette magenta = window.palette();
    magenta.setColor(QPalette::Window, Qt::magenta);
    window.setPalette(magenta);
}

int magentaIn(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == qRgb(255, 0, 255);
    }
    return count;
}

// What the X server shows on `screen` now, our own windows included.
QImage onScreen(QScreen *screen)
{
    xcb_connection_t *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return comparable(screen->grabWindow(0).toImage());
}

// Whether the clear hole on `screen` is exactly `hole` (device pixels): along
// the middle of each edge the pixels just inside show the frozen picture as
// it is, those just outside do not. The corners carry the brackets.
bool holeIsExactly(const QImage &screen, const QImage &frozen, const QRect &hole)
{
    const QImage picture = comparable(frozen);
    const auto clear = [&](int x, int y) { return screen.pixel(x, y) == picture.pixel(x, y); };
    bool exact = true;
    for (int x = hole.left() + hole.width() / 4; x < hole.left() + hole.width() * 3 / 4; ++x)
        exact &= clear(x, hole.top()) && clear(x, hole.bottom()) && !clear(x, hole.top() - 1) &&
                 !clear(x, hole.bottom() + 1);
    for (int y = hole.top() + hole.height() / 4; y < hole.top() + hole.height() * 3 / 4; ++y)
        exact &= clear(hole.left(), y) && clear(hole.right(), y) && !clear(hole.left() - 1, y) &&
                 !clear(hole.right() + 1, y);
    return exact;
}

// Runs the tests matching `filter` again, in an X session of their own.
void runInSession(const QHash<QString, QString> &variables, const QString &filter, const QString &passed)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (auto variable = variables.begin(); variable != variables.end(); ++variable)
        environment.insert(variable.key(), variable.value());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    QSignalSpy finished(&child, &QProcess::finished);
    child.start(QStringLiteral(RAVELOND_TEST_SOURCE_DIR "/support/run-in-x11-session.sh"),
                {QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=") + filter});
    const bool ended = finished.wait(170000);
    if (!ended)
        child.kill();
    const QString output = QString::fromLocal8Bit(child.readAll());
    ASSERT_TRUE(ended) << "the session hung; it said:\n" << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] ") + passed)) << output.toStdString();
}

// Real X server, real grab, real overlay windows, input from xdotool. Every
// expectation is computed from the screen's scale, so the same cases run at
// scale 1 and, through a later test, at scales 2 and 1.5.
class ScreenSelectionX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        screen = QGuiApplication::primaryScreen();
        scale = screen->devicePixelRatio();
        if (const QByteArray expected = qgetenv("RAVELOND_EXPECT_SCALE"); !expected.isEmpty()) {
            ASSERT_EQ(scale, expected.toDouble());
        }
        const QRect bounds = screen->geometry();
        patternFrame = QRect(bounds.width() / 2 - 320, bounds.height() / 2 - 160, 640, 320);
    }

    void TearDown() override
    {
        if (patternWindow.state() != QProcess::NotRunning) {
            patternWindow.kill();
            patternWindow.waitForFinished(5000);
        }
    }

    QRect device(const QRectF &points) const
    {
        return QRectF(points.topLeft() * scale, points.size() * scale).toRect();
    }

    void showPatternWindow(int repaintDelay = 0)
    {
        const QRect frame = device(patternFrame);
        patternWindow.setProgram(QString::fromLocal8Bit(qgetenv("RAVELOND_TEST_BINARY_DIR")) +
                                 QStringLiteral("/pattern_window"));
        patternWindow.setArguments({QString::number(frame.x()), QString::number(frame.y()),
                                    QString::number(frame.width()), QString::number(frame.height()),
                                    QString::number(repaintDelay)});
        patternWindow.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QSignalSpy ready(&patternWindow, &QProcess::readyReadStandardOutput);
        patternWindow.start();
        ASSERT_TRUE(ready.wait(20000)) << "the pattern window never came up";
    }

    // What the pattern window shows in these device pixels of the screen.
    QImage expectedPattern(const QRect &pixels) const
    {
        const QRect frame = device(patternFrame);
        return PixelPattern::image(frame.size()).copy(pixels.translated(-frame.topLeft()));
    }

    static void xdotool(const QStringList &arguments)
    {
        QProcess tool;
        QSignalSpy finished(&tool, &QProcess::finished);
        tool.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(finished.wait(20000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    }

    // Presses on one device pixel and moves to another with the button held.
    static void pressAndMove(QPoint from, QPoint to)
    {
        const auto at = [](QPoint device) {
            return QStringList{QString::number(device.x()), QString::number(device.y())};
        };
        xdotool(QStringList{QStringLiteral("mousemove")} + at(from) +
                QStringList{QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove")} +
                at((from + to) / 2) + QStringList{QStringLiteral("mousemove")} + at(to));
    }

    QStringList devicePoint(QPointF points) const
    {
        return {QString::number(qRound(points.x() * scale)), QString::number(qRound(points.y() * scale))};
    }

    QCoro::Task<void> startCapture(Outcome &outcome)
    {
        QSignalSpy presented(&selection, &ScreenSelection::presented);
        QCoro::Task<void> running = record(selection.capture(OCREngine::vision), outcome);
        if (presented.isEmpty())
            presented.wait(20000);
        return running;
    }

    void waitUntilOverlayIsExposed()
    {
        ASSERT_EQ(presenter.windows().size(), 1);
        SelectionWindow *window = presenter.windows().first();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window, Patience::untilHung));
        ASSERT_EQ(window->geometry(), screen->geometry());
        ASSERT_EQ(QWidget::keyboardGrabber(), window->overlay());
    }

    SelectionOverlay *overlay() const { return presenter.windows().first()->overlay(); }

    QScreen *screen = nullptr;
    qreal scale = 1;
    QRect patternFrame;
    QProcess patternWindow;
    SelectionOverlayPresenter presenter{SelectionPlatform::system()};
    ScreenSelection selection{SelectionPlatform::system(), &presenter};
};

} // namespace

TEST_F(ScreenSelectionX11Test, ARealDragReturnsExactlyTheDraggedDevicePixels)
{
    showPatternWindow();
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    waitUntilOverlayIsExposed();
    const QPointF from = patternFrame.topLeft() + QPointF(40, 30);
    const QPointF to = from + QPointF(200, 90);
    xdotool(QStringList{QStringLiteral("mousemove")} + devicePoint(from) +
            QStringList{QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove")} +
            devicePoint(from + QPointF(60, 20)) + QStringList{QStringLiteral("mousemove")} + devicePoint(to) +
            QStringList{QStringLiteral("mouseup"), QStringLiteral("1")});
    await(std::move(running));
    ASSERT_TRUE(outcome.image) << (outcome.error ? outcome.error->what() : "");
    const QRect pixels = device(QRectF(from, to));
    EXPECT_EQ(outcome.image->size(), pixels.size());
    EXPECT_TRUE(comparable(*outcome.image) == comparable(expectedPattern(pixels)));
    EXPECT_EQ(selection.selectedScreen(), screen);
    EXPECT_TRUE(presenter.windows().isEmpty());
}

TEST_F(ScreenSelectionX11Test, ArrowKeysAndReturnReturnTheSteppedRectangle)
{
    showPatternWindow();
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    waitUntilOverlayIsExposed();
    xdotool({QStringLiteral("key"), QStringLiteral("Right"), QStringLiteral("shift+Down"), QStringLiteral("Return")});
    await(std::move(running));
    ASSERT_TRUE(outcome.image) << (outcome.error ? outcome.error->what() : "");
    const QRectF bounds(QPointF(0, 0), screen->geometry().size());
    QRectF expected = SelectionGeometry::adjusted(QRectF(), bounds, Qt::Key_Right, false, false);
    expected = SelectionGeometry::adjusted(expected, bounds, Qt::Key_Down, true, false);
    const QRect pixels = device(expected);
    ASSERT_TRUE(device(patternFrame).contains(pixels));
    EXPECT_TRUE(comparable(*outcome.image) == comparable(expectedPattern(pixels)));
}

TEST_F(ScreenSelectionX11Test, OurWindowHiddenBeforeTheCaptureIsNotInItAndEscapeCancels)
{
    QWidget own(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    paintMagenta(own);
    const QRect ownFrame(100, 100, 200, 150);
    own.setGeometry(ownFrame);
    own.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&own, Patience::untilHung));
    own.hide();

    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    waitUntilOverlayIsExposed();
    const QImage frozen = presenter.windows().first()->overlay()->image();
    EXPECT_EQ(frozen.size(), device(QRectF(QPointF(0, 0), screen->geometry().size())).size());
    const int magentaPixels = magentaIn(comparable(frozen.copy(device(ownFrame))));
    EXPECT_EQ(magentaPixels, 0);
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    await(std::move(running));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), TrovError::cancelled);
}

TEST_F(ScreenSelectionX11Test, AnOpenWindowOfOursIsHiddenForTheCaptureAndComesBack)
{
    QWidget own;
    paintMagenta(own);
    own.setGeometry(QRect(120, 120, 300, 200));
    own.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&own, Patience::untilHung));
    ASSERT_TRUE(QTest::qWaitFor([&] { return magentaIn(onScreen(screen).copy(device(own.geometry()))) > 0; },
                                Patience::untilHung));
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    waitUntilOverlayIsExposed();
    EXPECT_FALSE(own.isVisible());
    EXPECT_EQ(magentaIn(comparable(overlay()->image()).copy(device(own.frameGeometry()))), 0);
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    await(std::move(running));
    EXPECT_TRUE(own.isVisible()) << "the user's window comes back";
}

TEST_F(ScreenSelectionX11Test, OddDevicePixelsGiveExactlyTheRectangleBetweenThemAndTheHoleShowsIt)
{
    showPatternWindow();
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    waitUntilOverlayIsExposed();
    // At scales 2 and 1.5 odd device pixels lie between whole points.
    const QPoint from = device(patternFrame).topLeft() + QPoint(81, 61);
    const QRect expected(from, QSize(456, 308));
    pressAndMove(from, from + QPoint(456, 308));
    EXPECT_TRUE(QTest::qWaitFor([&] { return holeIsExactly(onScreen(screen), overlay()->image(), expected); },
                                Patience::untilHung));
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    await(std::move(running));
    ASSERT_TRUE(outcome.image) << (outcome.error ? outcome.error->what() : "");
    EXPECT_TRUE(comparable(*outcome.image) == comparable(expectedPattern(expected)));
}

TEST_F(ScreenSelectionX11Test, ADragReachesTheLastColumnAndRow)
{
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    waitUntilOverlayIsExposed();
    const QImage frozen = overlay()->image();
    const QPoint from = device(patternFrame).topLeft() + QPoint(81, 61);
    // The pointer gets no further than the last pixel.
    pressAndMove(from, QPoint(frozen.width() - 1, frozen.height() - 1));
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    await(std::move(running));
    ASSERT_TRUE(outcome.image) << (outcome.error ? outcome.error->what() : "");
    EXPECT_TRUE(comparable(*outcome.image) == comparable(frozen.copy(QRect(from, frozen.rect().bottomRight()))));
}

// The cases above again, at scales 2 and 1.5 on a large virtual screen: one
// session per test, so each has the whole of a test's time.
void runEveryCaseAtScale(const QString &scale)
{
    if (!qEnvironmentVariableIsEmpty("RAVELOND_EXPECT_SCALE"))
        GTEST_SKIP() << "already a scaled run";
    runInSession({{QStringLiteral("QT_SCALE_FACTOR"), scale},
                  {QStringLiteral("RAVELOND_EXPECT_SCALE"), scale},
                  {QStringLiteral("RAVELOND_XVFB_SCREEN"), QStringLiteral("3840x2160x24")}},
                 QStringLiteral("ScreenSelectionX11Test.*"), QStringLiteral("6 tests."));
}

TEST(ScreenSelectionX11ScaleTest, EveryCaseHoldsAtScaleTwo)
{
    runEveryCaseAtScale(QStringLiteral("2"));
}

TEST(ScreenSelectionX11ScaleTest, EveryCaseHoldsAtScaleOneAndAHalf)
{
    runEveryCaseAtScale(QStringLiteral("1.5"));
}

namespace {

// On a server without backing store, over a window of another process that
// repaints what is uncovered only after a while, as a busy application does.
class OwnWindowsX11Test : public ScreenSelectionX11Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("RAVELOND_XVFB_NO_BACKING_STORE"))
            GTEST_SKIP() << "runs on a server without backing store";
        ScreenSelectionX11Test::SetUp();
        patternFrame = QRect(200, 150, 1000, 700);
        showPatternWindow(40);
    }
};

// Two displays cut from one X screen, the second at scale 1.5 from device
// pixel 1920 on, with a gap below the first that lies on no display.
class TwoDisplaysX11Test : public ScreenSelectionX11Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("RAVELOND_X11_MONITORS"))
            GTEST_SKIP() << "runs on two displays";
        ScreenSelectionX11Test::SetUp();
        ASSERT_EQ(QGuiApplication::screens().size(), 2);
        right = QGuiApplication::screens()[1];
        ASSERT_EQ(right->devicePixelRatio(), 1.5);
        xdotool({QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("1300")});
    }

    SelectionWindow *windowOn(QScreen *display) const
    {
        const QList<SelectionWindow *> windows = presenter.windows();
        const auto found =
            std::find_if(windows.begin(), windows.end(), [display](auto *w) { return w->screen() == display; });
        return found == windows.end() ? nullptr : *found;
    }

    QScreen *right = nullptr;
};

} // namespace

TEST_F(OwnWindowsX11Test, OurWindowsAreNeverFrozenIntoTheCapture)
{
    QWidget own(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    paintMagenta(own);
    own.setGeometry(QRect(500, 350, 400, 300));
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE(run);
        own.show();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return magentaIn(onScreen(screen).copy(own.geometry())) > 0; }, Patience::untilHung));
        // Hidden by its owner right before the capture, or left for the capture to hide.
        if (run % 2 == 0)
            own.hide();
        Outcome outcome;
        QCoro::Task<void> running = startCapture(outcome);
        waitUntilOverlayIsExposed();
        EXPECT_TRUE(comparable(overlay()->image()).copy(own.geometry()) == expectedPattern(own.geometry()))
            << "our window, not what lies below, is in the picture";
        selection.cancel();
        await(std::move(running));
    }
}

TEST_F(TwoDisplaysX11Test, WithThePointerOffEveryDisplayThePrimaryTakesTheKeyboard)
{
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    ASSERT_EQ(presenter.windows().size(), 2);
    for (QScreen *display : QGuiApplication::screens()) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(windowOn(display), 20000));
        EXPECT_EQ(windowOn(display)->geometry(), display->geometry());
    }
    ASSERT_EQ(QWidget::keyboardGrabber(), windowOn(screen)->overlay());
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    await(std::move(running));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), TrovError::cancelled);
}

TEST_F(TwoDisplaysX11Test, ADragOnTheScaledDisplayReturnsItsExactDevicePixels)
{
    patternFrame = QRect(1920 + 300, 200, 1000, 800);
    showPatternWindow();
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(windowOn(right), 20000));
    const QPoint from = patternFrame.topLeft() + QPoint(81, 61);
    pressAndMove(from, from + QPoint(456, 308));
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    await(std::move(running));
    ASSERT_TRUE(outcome.image) << (outcome.error ? outcome.error->what() : "");
    EXPECT_TRUE(comparable(*outcome.image) == comparable(expectedPattern(QRect(from, QSize(456, 308)))));
    EXPECT_EQ(selection.selectedScreen(), right);
}

TEST(ScreenSelectionX11SessionTest, WithoutBackingStore)
{
    if (!qEnvironmentVariableIsEmpty("RAVELOND_XVFB_NO_BACKING_STORE") ||
        !qEnvironmentVariableIsEmpty("RAVELOND_X11_MONITORS"))
        GTEST_SKIP() << "already such a session";
    runInSession({{QStringLiteral("RAVELOND_XVFB_NO_BACKING_STORE"), QStringLiteral("1")}},
                 QStringLiteral("OwnWindowsX11Test.*"), QStringLiteral("1 test."));
}

TEST(ScreenSelectionX11SessionTest, OnTwoDisplaysOfMixedScale)
{
    if (!qEnvironmentVariableIsEmpty("RAVELOND_XVFB_NO_BACKING_STORE") ||
        !qEnvironmentVariableIsEmpty("RAVELOND_X11_MONITORS"))
        GTEST_SKIP() << "already such a session";
    runInSession(
        {{QStringLiteral("RAVELOND_XVFB_SCREEN"), QStringLiteral("3840x1500x24")},
         {QStringLiteral("RAVELOND_X11_MONITORS"), QStringLiteral("LEFT=1920x1080+0+0 RIGHT=1920x1500+1920+0")},
         {QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("LEFT=1;RIGHT=1.5")}},
        QStringLiteral("TwoDisplaysX11Test.*"), QStringLiteral("2 tests."));
}

TEST(X11ScreenRecordingPermissionX11Test, AnXServerWithoutWaylandGrantsAccess)
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        GTEST_SKIP() << "a Wayland session";
    EXPECT_TRUE(ScreenSelection(SelectionPlatform::system(), nullptr).hasPermission());
}

// Under a Wayland session the app still runs through XWayland, but grabs of
// Wayland windows come back black: either sign of one withholds the permission.
TEST(X11ScreenRecordingPermissionX11Test, EitherSignOfAWaylandSessionWithholdsAccess)
{
    struct Session {
        const char *sessionType;
        const char *waylandDisplay;
        bool granted;
    };
    const Session sessions[] = {
        {"x11", nullptr, true},
        {"wayland", nullptr, false},
        {"x11", "wayland-0", false},
        {nullptr, "wayland-1", false},
    };
    const QByteArray savedType = qgetenv("XDG_SESSION_TYPE");
    const QByteArray savedDisplay = qgetenv("WAYLAND_DISPLAY");
    const auto set = [](const char *name, const char *value) {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    };
    for (const Session &session : sessions) {
        set("XDG_SESSION_TYPE", session.sessionType);
        set("WAYLAND_DISPLAY", session.waylandDisplay);
        EXPECT_EQ(X11ScreenRecordingPermission::shared().hasPermission(), session.granted)
            << (session.sessionType ? session.sessionType : "-") << " "
            << (session.waylandDisplay ? session.waylandDisplay : "-");
    }
    set("XDG_SESSION_TYPE", savedType.isNull() ? nullptr : savedType.constData());
    set("WAYLAND_DISPLAY", savedDisplay.isNull() ? nullptr : savedDisplay.constData());
}

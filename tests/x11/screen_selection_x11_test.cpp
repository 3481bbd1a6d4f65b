#include "models/SelectionGeometry.h"
#include "models/TrovError.h"
#include "services/ScreenSelection.h"
#include "support/Await.h"
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

// What the X server shows on `screen` now, our own windows included.
QImage onScreen(QScreen *screen)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return comparable(screen->grabWindow(0).toImage());
}

int countOf(const QImage &image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour;
    }
    return count;
}

// Whether the undimmed hole on `screen` (device pixels) is exactly `hole`:
// along the middle of each edge the pixels just inside show the frozen
// picture as it is, those just outside do not (outline or dimming). The
// corners are left out, where the brackets lie over the hole.
bool holeIsExactly(const QImage &screen, const QImage &frozen, const QRect &hole)
{
    const QImage picture = comparable(frozen);
    const auto same = [&](int x, int y) { return screen.pixel(x, y) == picture.pixel(x, y); };
    for (int x = hole.left() + hole.width() / 4; x < hole.left() + hole.width() * 3 / 4; ++x) {
        if (!same(x, hole.top()) || !same(x, hole.bottom()) || same(x, hole.top() - 1) || same(x, hole.bottom() + 1))
            return false;
    }
    for (int y = hole.top() + hole.height() / 4; y < hole.top() + hole.height() * 3 / 4; ++y) {
        if (!same(hole.left(), y) || !same(hole.right(), y) || same(hole.left() - 1, y) || same(hole.right() + 1, y))
            return false;
    }
    return true;
}

void xdotool(const QStringList &arguments)
{
    QProcess tool;
    QSignalSpy finished(&tool, &QProcess::finished);
    tool.start(QStringLiteral("xdotool"), arguments);
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
}

QStringList at(QPoint device)
{
    return {QString::number(device.x()), QString::number(device.y())};
}

// Presses at one device pixel and moves to another with the button held.
void pressAndMove(QPoint from, QPoint to)
{
    xdotool(QStringList{QStringLiteral("mousemove")} + at(from) +
            QStringList{QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove")} +
            at(from + (to - from) / 2) + QStringList{QStringLiteral("mousemove")} + at(to));
}

void startPatternWindow(QProcess &window, const QRect &device, int repaintDelay = 0)
{
    window.setProgram(QString::fromLocal8Bit(qgetenv("RAVELOND_TEST_BINARY_DIR")) + QStringLiteral("/pattern_window"));
    QStringList arguments{QString::number(device.x()), QString::number(device.y()), QString::number(device.width()),
                          QString::number(device.height())};
    if (repaintDelay > 0)
        arguments.append(QString::number(repaintDelay));
    window.setArguments(arguments);
    window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QSignalSpy ready(&window, &QProcess::readyReadStandardOutput);
    window.start();
    ASSERT_TRUE(ready.wait(20000)) << "the pattern window never came up";
}

void stopPatternWindow(QProcess &window)
{
    if (window.state() != QProcess::NotRunning) {
        window.kill();
        window.waitForFinished(5000);
    }
}

// Runs `filter` of this test program again in an X session of its own.
void runInSession(const QHash<QString, QString> &variables, const QString &filter, int expectedTests)
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
    ASSERT_TRUE(finished.wait(170000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    const QString passed = expectedTests == 1 ? QStringLiteral("[  PASSED  ] 1 test.")
                                              : QStringLiteral("[  PASSED  ] %1 tests.").arg(expectedTests);
    EXPECT_TRUE(output.contains(passed)) << output.toStdString();
}

// Real X server, real grab, real overlay windows, input from xdotool. Every
// expectation is computed from the screen's scale, so the same cases run at
// scale 1 and, through the last test, at scale 2.
class ScreenSelectionX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        screen = QGuiApplication::primaryScreen();
        scale = screen->devicePixelRatio();
        if (const QByteArray expected = qgetenv("RAVELOND_EXPECT_SCALE"); !expected.isEmpty())
            ASSERT_EQ(scale, expected.toDouble());
        const QRect bounds = screen->geometry();
        patternFrame = QRect(bounds.width() / 2 - 320, bounds.height() / 2 - 160, 640, 320);
    }

    void TearDown() override { stopPatternWindow(patternWindow); }

    QRect device(const QRectF &points) const
    {
        return QRectF(points.topLeft() * scale, points.size() * scale).toRect();
    }

    void showPatternWindow() { startPatternWindow(patternWindow, device(patternFrame)); }

    // What the pattern window shows in these device pixels of the screen.
    QImage expectedPattern(const QRect &pixels) const
    {
        const QRect frame = device(patternFrame);
        return PixelPattern::image(frame.size()).copy(pixels.translated(-frame.topLeft()));
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
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 20000));
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
    own.setAutoFillBackground(true);
    QPalette magenta = own.palette();
    magenta.setColor(QPalette::Window, Qt::magenta);
    own.setPalette(magenta);
    const QRect ownFrame(100, 100, 200, 150);
    own.setGeometry(ownFrame);
    own.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&own, 20000));
    own.hide();

    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    waitUntilOverlayIsExposed();
    const QImage frozen = presenter.windows().first()->overlay()->image();
    EXPECT_EQ(frozen.size(), device(QRectF(QPointF(0, 0), screen->geometry().size())).size());
    const QImage area = comparable(frozen.copy(device(ownFrame)));
    int magentaPixels = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x)
            magentaPixels += area.pixel(x, y) == qRgb(255, 0, 255);
    }
    EXPECT_EQ(magentaPixels, 0);
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    await(std::move(running));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), TrovError::cancelled);
}

TEST_F(ScreenSelectionX11Test, AnOpenWindowOfOursIsHiddenForTheCaptureAndComesBack)
{
    QWidget own;
    own.setAutoFillBackground(true);
    QPalette magenta = own.palette();
    magenta.setColor(QPalette::Window, Qt::magenta);
    own.setPalette(magenta);
    own.setGeometry(QRect(120, 120, 300, 200));
    own.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&own, 20000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return countOf(onScreen(screen).copy(device(own.geometry())), qRgb(255, 0, 255)); }));

    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    waitUntilOverlayIsExposed();
    EXPECT_FALSE(own.isVisible());
    EXPECT_EQ(countOf(comparable(overlay()->image()).copy(device(own.frameGeometry())), qRgb(255, 0, 255)), 0);
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
    // Odd device pixels: at scales 2 and 1.5 they lie between whole points.
    const QPoint from = device(patternFrame).topLeft() + QPoint(81, 61);
    const QPoint to = from + QPoint(456, 308);
    const QRect expected(from, to - QPoint(1, 1));
    pressAndMove(from, to);
    const QImage frozen = overlay()->image();
    EXPECT_TRUE(QTest::qWaitFor([&] { return holeIsExactly(onScreen(screen), frozen, expected); }, 10000))
        << "the undimmed hole is not the rectangle dragged";
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    await(std::move(running));
    ASSERT_TRUE(outcome.image) << (outcome.error ? outcome.error->what() : "");
    EXPECT_EQ(outcome.image->size(), expected.size());
    EXPECT_TRUE(comparable(*outcome.image) == comparable(expectedPattern(expected)));
}

TEST_F(ScreenSelectionX11Test, ADragReachesTheLastColumnAndRow)
{
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    waitUntilOverlayIsExposed();
    const QImage frozen = overlay()->image();
    const QPoint from = device(patternFrame).topLeft() + QPoint(81, 61);
    // The pointer cannot go past the last pixel of the display.
    const QPoint last(frozen.width() - 1, frozen.height() - 1);
    pressAndMove(from, last);
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    await(std::move(running));
    ASSERT_TRUE(outcome.image) << (outcome.error ? outcome.error->what() : "");
    const QRect expected(from, last);
    EXPECT_EQ(outcome.image->size(), expected.size());
    EXPECT_TRUE(comparable(*outcome.image) == comparable(frozen.copy(expected)));
}

// The cases above again, at scales 2 and 1.5 on a large virtual screen of
// their own.
TEST(ScreenSelectionX11ScaleTest, EveryCaseHoldsAtScalesTwoAndOneAndAHalf)
{
    if (!qEnvironmentVariableIsEmpty("RAVELOND_EXPECT_SCALE"))
        GTEST_SKIP() << "already a scaled run";
    for (const QString scale : {QStringLiteral("2"), QStringLiteral("1.5")}) {
        SCOPED_TRACE(scale.toStdString());
        runInSession({{QStringLiteral("QT_SCALE_FACTOR"), scale},
                      {QStringLiteral("RAVELOND_EXPECT_SCALE"), scale},
                      {QStringLiteral("RAVELOND_XVFB_SCREEN"), QStringLiteral("3840x2160x24")}},
                     QStringLiteral("ScreenSelectionX11Test.*"), 6);
    }
}

namespace {

// On a server without backing store, over a window of another process that
// repaints what is uncovered only after a while, as a busy application does.
class OwnWindowsX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("RAVELOND_XVFB_NO_BACKING_STORE"))
            GTEST_SKIP() << "runs on a server without backing store";
        screen = QGuiApplication::primaryScreen();
        startPatternWindow(patternWindow, patternFrame, 40);
    }

    void TearDown() override { stopPatternWindow(patternWindow); }

    QScreen *screen = nullptr;
    const QRect patternFrame{200, 150, 1000, 700};
    QProcess patternWindow;
    SelectionOverlayPresenter presenter{SelectionPlatform::system()};
    ScreenSelection selection{SelectionPlatform::system(), &presenter};
};

} // namespace

TEST_F(OwnWindowsX11Test, OurWindowsAreNeverFrozenIntoTheCapture)
{
    // A panel of ours above the other application's window.
    QWidget own(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    own.setAutoFillBackground(true);
    QPalette magenta = own.palette();
    magenta.setColor(QPalette::Window, Qt::magenta);
    own.setPalette(magenta);
    own.setGeometry(QRect(500, 350, 400, 300));
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE(run);
        own.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&own, 20000));
        const QRect frame = own.frameGeometry();
        ASSERT_TRUE(patternFrame.contains(frame));
        ASSERT_TRUE(QTest::qWaitFor([&] { return countOf(onScreen(screen).copy(own.geometry()), qRgb(255, 0, 255)); }))
            << "our window never reached the screen";
        // Hidden by its owner right before the capture, or left for the capture to hide.
        const bool hiddenFirst = run % 2 == 0;
        if (hiddenFirst)
            own.hide();

        Outcome outcome;
        QSignalSpy presented(&selection, &ScreenSelection::presented);
        QCoro::Task<void> running = record(selection.capture(OCREngine::vision), outcome);
        ASSERT_TRUE(!presented.isEmpty() || presented.wait(20000));
        const QImage frozen = comparable(presenter.windows().first()->overlay()->image());
        EXPECT_EQ(countOf(frozen.copy(own.geometry()), qRgb(255, 0, 255)), 0);
        EXPECT_TRUE(frozen.copy(frame) ==
                    PixelPattern::image(patternFrame.size()).copy(frame.translated(-patternFrame.topLeft())))
            << "what lies below was not repainted in the picture";
        EXPECT_FALSE(own.isVisible());
        selection.cancel();
        await(std::move(running));
    }
}

TEST(ScreenSelectionX11ServerTest, WithoutBackingStoreOurWindowsAreNeverInTheCapture)
{
    if (!qEnvironmentVariableIsEmpty("RAVELOND_XVFB_NO_BACKING_STORE"))
        GTEST_SKIP() << "already that server";
    runInSession({{QStringLiteral("RAVELOND_XVFB_NO_BACKING_STORE"), QStringLiteral("1")}},
                 QStringLiteral("OwnWindowsX11Test.*"), 1);
}

namespace {

// Two displays cut from one X screen, the second at scale 1.5, with a gap
// below the first that lies on no display.
class TwoDisplaysX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("RAVELOND_X11_MONITORS"))
            GTEST_SKIP() << "runs on two displays";
        ASSERT_EQ(QGuiApplication::screens().size(), 2);
        left = QGuiApplication::screens()[0];
        right = QGuiApplication::screens()[1];
        ASSERT_EQ(left->devicePixelRatio(), 1);
        ASSERT_EQ(right->devicePixelRatio(), 1.5);
        ASSERT_EQ(QGuiApplication::primaryScreen(), left);
    }

    void TearDown() override { stopPatternWindow(patternWindow); }

    QCoro::Task<void> startCapture(Outcome &outcome)
    {
        QSignalSpy presented(&selection, &ScreenSelection::presented);
        QCoro::Task<void> running = record(selection.capture(OCREngine::vision), outcome);
        if (presented.isEmpty())
            presented.wait(20000);
        return running;
    }

    SelectionWindow *windowOn(QScreen *screen) const
    {
        for (SelectionWindow *window : presenter.windows()) {
            if (window->screen() == screen)
                return window;
        }
        return nullptr;
    }

    static void pointerOffEveryDisplay()
    {
        xdotool({QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("1300")});
    }

    QScreen *left = nullptr;
    QScreen *right = nullptr;
    QProcess patternWindow;
    SelectionOverlayPresenter presenter{SelectionPlatform::system()};
    ScreenSelection selection{SelectionPlatform::system(), &presenter};
};

} // namespace

TEST_F(TwoDisplaysX11Test, BothAreCoveredAndEscapeWorksWithThePointerOffEveryDisplay)
{
    pointerOffEveryDisplay();
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    ASSERT_EQ(presenter.windows().size(), 2);
    for (QScreen *screen : {left, right}) {
        SelectionWindow *window = windowOn(screen);
        ASSERT_TRUE(window);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 20000));
        EXPECT_EQ(window->geometry(), screen->geometry());
        EXPECT_EQ(window->overlay()->image().size(), screen->geometry().size() * screen->devicePixelRatio());
    }
    ASSERT_EQ(QWidget::keyboardGrabber(), windowOn(left)->overlay()) << "the primary display takes the keyboard";
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    await(std::move(running));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), TrovError::cancelled);
}

TEST_F(TwoDisplaysX11Test, ArrowsAndKeypadEnterSelectOnThePrimaryDisplay)
{
    pointerOffEveryDisplay();
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(windowOn(left), 20000));
    ASSERT_EQ(QWidget::keyboardGrabber(), windowOn(left)->overlay());
    const QImage frozen = windowOn(left)->overlay()->image();
    xdotool({QStringLiteral("key"), QStringLiteral("Right"), QStringLiteral("KP_Enter")});
    await(std::move(running));
    ASSERT_TRUE(outcome.image) << (outcome.error ? outcome.error->what() : "");
    const QRectF stepped = SelectionGeometry::adjusted(QRectF(), QRectF(QPointF(0, 0), left->geometry().size()),
                                                       Qt::Key_Right, false, false);
    EXPECT_TRUE(comparable(*outcome.image) == comparable(frozen.copy(stepped.toRect())));
    EXPECT_EQ(selection.selectedScreen(), left);
}

TEST_F(TwoDisplaysX11Test, ADragOnTheScaledDisplayReturnsItsExactDevicePixels)
{
    // The second display starts at device pixel 1920 of the X screen.
    const QRect patternFrame(1920 + 300, 200, 1000, 800);
    startPatternWindow(patternWindow, patternFrame);
    pointerOffEveryDisplay();
    Outcome outcome;
    QCoro::Task<void> running = startCapture(outcome);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(windowOn(right), 20000));
    const QPoint from = patternFrame.topLeft() + QPoint(81, 61);
    const QPoint to = from + QPoint(456, 308);
    pressAndMove(from, to);
    const QRect expected(from - QPoint(1920, 0), to - QPoint(1920 + 1, 1));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return holeIsExactly(onScreen(right), windowOn(right)->overlay()->image(), expected); }, 10000));
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    await(std::move(running));
    ASSERT_TRUE(outcome.image) << (outcome.error ? outcome.error->what() : "");
    EXPECT_EQ(outcome.image->size(), expected.size());
    EXPECT_TRUE(comparable(*outcome.image) ==
                PixelPattern::image(patternFrame.size()).copy(QRect(from - patternFrame.topLeft(), expected.size())));
    EXPECT_EQ(selection.selectedScreen(), right);
}

TEST(ScreenSelectionX11DisplaysTest, TwoDisplaysOfMixedScale)
{
    if (!qEnvironmentVariableIsEmpty("RAVELOND_X11_MONITORS"))
        GTEST_SKIP() << "already on two displays";
    runInSession(
        {{QStringLiteral("RAVELOND_XVFB_SCREEN"), QStringLiteral("3840x1500x24")},
         {QStringLiteral("RAVELOND_X11_MONITORS"), QStringLiteral("LEFT=1920x1080+0+0 RIGHT=1920x1500+1920+0")},
         {QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("LEFT=1;RIGHT=1.5")}},
        QStringLiteral("TwoDisplaysX11Test.*"), 3);
}

TEST(X11ScreenRecordingPermissionX11Test, AnXServerWithoutWaylandGrantsAccess)
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        GTEST_SKIP() << "a Wayland session";
    EXPECT_TRUE(ScreenSelection(SelectionPlatform::system(), nullptr).hasPermission());
}

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

    void showPatternWindow()
    {
        const QRect frame = device(patternFrame);
        patternWindow.setProgram(QString::fromLocal8Bit(qgetenv("RAVELOND_TEST_BINARY_DIR")) +
                                 QStringLiteral("/pattern_window"));
        patternWindow.setArguments({QString::number(frame.x()), QString::number(frame.y()),
                                    QString::number(frame.width()), QString::number(frame.height())});
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

// The cases above again, at scale 2 on a large virtual screen of their own.
TEST(ScreenSelectionX11ScaleTest, EveryCaseHoldsAtScaleTwo)
{
    if (!qEnvironmentVariableIsEmpty("RAVELOND_EXPECT_SCALE"))
        GTEST_SKIP() << "already the scaled run";
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    environment.insert(QStringLiteral("RAVELOND_EXPECT_SCALE"), QStringLiteral("2"));
    environment.insert(QStringLiteral("RAVELOND_XVFB_SCREEN"), QStringLiteral("3840x2160x24"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    QSignalSpy finished(&child, &QProcess::finished);
    child.start(QStringLiteral(RAVELOND_TEST_SOURCE_DIR "/support/run-in-x11-session.sh"),
                {QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=ScreenSelectionX11Test.*")});
    ASSERT_TRUE(finished.wait(170000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 3 tests."))) << output.toStdString();
}

TEST(X11ScreenRecordingPermissionX11Test, AnXServerWithoutWaylandGrantsAccess)
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        GTEST_SKIP() << "a Wayland session";
    EXPECT_TRUE(ScreenSelection(SelectionPlatform::system(), nullptr).hasPermission());
}

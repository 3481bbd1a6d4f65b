// Screen selection figures, each on its own Xvfb server:
//  1. From capture() to the overlay visible (mapped, first frame painted and
//     on the server), median of 20, on a 1440 x 900 display at scale 1 and at
//     scale 2 (2880 x 1800 device pixels), none of our windows on screen.
//     Peer in the same run: the bare grab plus a plain window showing it, the
//     least any overlay can cost.
//  2. The same when a 400 x 300 window of ours is on screen over a window of
//     another process (on a server without backing store, so the area waits
//     for that process to repaint it): hidden by its owner right before
//     capture(), or left for the capture to hide. Peer: hide, a fixed 250 ms
//     settle (what screenshot tools wait), then the bare grab and a plain
//     window.
//  3. One drag step on a 3840 x 2160 frozen picture: the overlay's repaint of
//     what changed against a full repaint of the view, median of 200 steps.
//  4. Resident memory after the first and after 20 whole captures (overlay,
//     selection, crop) at scale 2 (2880 x 1800 device pixels). Peer: the bare
//     grab plus a plain window, shown and destroyed as many times. Run once
//     with large blocks released as the program sets it up and once with
//     glibc's default thresholds.
// Run it as is: it starts `xvfb-run -a` itself (needs xvfb and xauth).
#include "PaintWatch.h"
#include "ProcessMemory.h"
#include "Statistics.h"

#include "models/TrovError.h"
#include "platform/LargeBlockRelease.h"
#include "platform/SelectionPlatform.h"
#include "platform/X11RepaintWatch.h"
#include "services/ScreenSelection.h"
#include "views/SelectionOverlay.h"
#include "views/SelectionOverlayPresenter.h"
#include "views/SelectionWindow.h"

#include <QApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int overlayRuns = 20;
constexpr int dragSteps = 200;

// Waits until the X server has handled everything sent so far (the painted
// frame included).
void syncWithServer()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void waitForFirstFrame(QWidget *widget)
{
    {
        PaintWatch watch(*widget);
        while (!watch.painted || !widget->window()->windowHandle() || !widget->window()->windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    syncWithServer();
}

QCoro::Task<void> swallow(QCoro::Task<QImage> call)
{
    try {
        co_await std::move(call);
    } catch (const TrovError &) {
    }
}

double msSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// A dismissed overlay's area is itself waited for: each run starts once the
// screen has settled.
void waitUntilSettled()
{
    while (!X11RepaintWatch::shared().isSettled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void waitFor(int milliseconds)
{
    bool done = false;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, [&done] { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The bare grab plus a plain window showing it, up and painted.
void showGrabInPlainWindow()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    const QPixmap frozen = screen->grabWindow(0);
    auto *plain = new QLabel(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    plain->setPixmap(frozen);
    plain->setGeometry(screen->geometry());
    plain->show();
    waitForFirstFrame(plain);
    plain->hide();
    delete plain;
}

// The milliseconds on `clock` once the overlay capture() brings up is painted
// and on the server; the capture is then cancelled and the screen left to settle.
double overlayShownAfter(const QElapsedTimer &clock, ScreenSelection &selection, SelectionOverlayPresenter &presenter)
{
    QCoro::Task<void> task = swallow(selection.capture(OCREngine::vision));
    while (presenter.windows().isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    waitForFirstFrame(presenter.windows().first()->overlay());
    const double shown = msSince(clock);
    selection.cancel();
    QCoro::waitFor(std::move(task));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    waitUntilSettled();
    return shown;
}

void overlayScenario()
{
    SelectionOverlayPresenter presenter{SelectionPlatform::system()};
    ScreenSelection selection{SelectionPlatform::system(), &presenter};
    std::vector<double> ours;
    for (int run = -2; run < overlayRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        const double shown = overlayShownAfter(clock, selection, presenter);
        if (run >= 0)
            ours.push_back(shown);
    }

    std::vector<double> peer;
    for (int run = -2; run < overlayRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        showGrabInPlainWindow();
        if (run >= 0)
            peer.push_back(msSince(clock));
        waitUntilSettled();
    }
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize pixels = screen->geometry().size() * screen->devicePixelRatio();
    std::printf("capture() to overlay visible, %dx%d points at scale %.0f (%dx%d px), median of %d:\n",
                screen->geometry().width(), screen->geometry().height(), screen->devicePixelRatio(), pixels.width(),
                pixels.height(), overlayRuns);
    std::printf("  ScreenSelection overlay          %7.2f ms (p90 %7.2f ms)\n", Statistics::median(ours),
                Statistics::percentile(ours, 0.9));
    std::printf("  peer: bare grab + plain window   %7.2f ms (p90 %7.2f ms)\n", Statistics::median(peer),
                Statistics::percentile(peer, 0.9));
}

// Another process's window, as the application below ours would be.
int runPatternChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget below(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    below.setAutoFillBackground(true);
    QPalette palette = below.palette();
    palette.setColor(QPalette::Window, QColor(40, 120, 200));
    below.setPalette(palette);
    below.setGeometry(200, 150, 1000, 650);
    below.show();
    QTimer::singleShot(300, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return app.exec();
}

void hiddenWindowScenario(const char *self)
{
    QProcess below;
    below.start(QString::fromLocal8Bit(self), {QStringLiteral("--child"), QStringLiteral("below")});
    below.waitForReadyRead(20000);
    QWidget own(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    own.setAutoFillBackground(true);
    QPalette magenta = own.palette();
    magenta.setColor(QPalette::Window, Qt::magenta);
    own.setPalette(magenta);
    own.setGeometry(500, 300, 400, 300);
    const auto showOwn = [&own] {
        own.show();
        waitForFirstFrame(&own);
        waitUntilSettled();
    };

    SelectionOverlayPresenter presenter{SelectionPlatform::system()};
    ScreenSelection selection{SelectionPlatform::system(), &presenter};
    const auto ours = [&](bool hideFirst) {
        std::vector<double> times;
        for (int run = -2; run < overlayRuns; ++run) {
            showOwn();
            QElapsedTimer clock;
            clock.start();
            if (hideFirst)
                own.hide();
            const double shown = overlayShownAfter(clock, selection, presenter);
            if (run >= 0)
                times.push_back(shown);
        }
        return times;
    };
    const std::vector<double> hiddenByOwner = ours(true);
    const std::vector<double> hiddenByCapture = ours(false);

    std::vector<double> peer;
    for (int run = -2; run < overlayRuns; ++run) {
        showOwn();
        QElapsedTimer clock;
        clock.start();
        own.hide();
        waitFor(250);
        showGrabInPlainWindow();
        if (run >= 0)
            peer.push_back(msSince(clock));
        waitUntilSettled();
    }
    below.kill();
    below.waitForFinished(5000);
    std::printf("capture() to overlay visible with a 400x300 window of ours over another process's window\n"
                "(server without backing store), median of %d:\n",
                overlayRuns);
    std::printf("  hidden by its owner right before  %7.2f ms (p90 %7.2f ms)\n", Statistics::median(hiddenByOwner),
                Statistics::percentile(hiddenByOwner, 0.9));
    std::printf("  left for the capture to hide      %7.2f ms (p90 %7.2f ms)\n", Statistics::median(hiddenByCapture),
                Statistics::percentile(hiddenByCapture, 0.9));
    std::printf("  peer: hide, 250 ms settle, grab   %7.2f ms (p90 %7.2f ms)\n", Statistics::median(peer),
                Statistics::percentile(peer, 0.9));
}

std::vector<double> dragTimes(SelectionOverlay &overlay, bool fullRepaint)
{
    const auto send = [&overlay](QEvent::Type type, QPointF at) {
        QMouseEvent event(type, at, overlay.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&overlay, &event);
    };
    send(QEvent::MouseButtonPress, {900, 700});
    QCoreApplication::processEvents();
    syncWithServer();
    std::vector<double> times;
    for (int step = 0; step < dragSteps; ++step) {
        QElapsedTimer clock;
        clock.start();
        send(QEvent::MouseMove, {1400.0 + step * 3, 1000.0 + step * 2});
        if (fullRepaint)
            overlay.update();
        QCoreApplication::processEvents();
        syncWithServer();
        times.push_back(msSince(clock));
    }
    send(QEvent::MouseButtonRelease, {900, 700});
    return times;
}

void dragScenario()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    const QSize pixels = screen->geometry().size() * screen->devicePixelRatio();
    QImage frozen(pixels, QImage::Format_RGB32);
    QPainter painter(&frozen);
    for (int y = 0; y < pixels.height(); y += 40)
        painter.fillRect(0, y, pixels.width(), 20, QColor::fromHsv((y / 40 * 17) % 360, 80, 230));
    painter.end();
    frozen.setDevicePixelRatio(screen->devicePixelRatio());
    SelectionWindow window(screen);
    auto *overlay =
        new SelectionOverlay(frozen, screen->geometry().size(), OCREngine::vision, false, SelectionPlatform::system());
    window.setOverlay(overlay);
    window.show();
    waitForFirstFrame(overlay);
    const std::vector<double> partial = dragTimes(*overlay, false);
    const std::vector<double> full = dragTimes(*overlay, true);
    std::printf("one drag step on a %dx%d frozen picture (event, repaint, frame on the server), median of %d:\n",
                pixels.width(), pixels.height(), dragSteps);
    std::printf("  repaint of what changed          %7.2f ms (p90 %7.2f ms)\n", Statistics::median(partial),
                Statistics::percentile(partial, 0.9));
    std::printf("  peer: full repaint of the view   %7.2f ms (p90 %7.2f ms)\n", Statistics::median(full),
                Statistics::percentile(full, 0.9));
}

// One whole capture: the overlay up and painted, a region selected, the crop
// returned and the overlay gone.
void captureOnce(ScreenSelection &selection, SelectionOverlayPresenter &presenter)
{
    QCoro::Task<void> task = swallow(selection.capture(OCREngine::vision));
    while (presenter.windows().isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    SelectionWindow *window = presenter.windows().first();
    waitForFirstFrame(window->overlay());
    window->onSelection(QRectF(100, 100, 400, 200));
    QCoro::waitFor(std::move(task));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    waitUntilSettled();
}

void memoryScenario(bool releaseLargeBlocks)
{
    if (releaseLargeBlocks)
        LargeBlockRelease::enable();
    constexpr int captures = 20;
    const double before = ProcessMemory::residentMegabytes();
    std::vector<double> ours;
    {
        SelectionOverlayPresenter presenter{SelectionPlatform::system()};
        ScreenSelection selection{SelectionPlatform::system(), &presenter};
        for (int run = 0; run < captures; ++run) {
            captureOnce(selection, presenter);
            ours.push_back(ProcessMemory::residentMegabytes());
        }
    }
    std::vector<double> peer;
    for (int run = 0; run < captures; ++run) {
        showGrabInPlainWindow();
        waitUntilSettled();
        peer.push_back(ProcessMemory::residentMegabytes());
    }
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize pixels = screen->geometry().size() * screen->devicePixelRatio();
    std::printf("resident memory around %d captures at %dx%d px (%.1f MB before the first), %s:\n", captures,
                pixels.width(), pixels.height(), before,
                releaseLargeBlocks ? "large blocks released as the program does" : "glibc's default thresholds");
    std::printf("  ScreenSelection overlay          after 1 %7.1f MB, after %d %7.1f MB (growth %+.1f MB)\n",
                ours.front(), captures, ours.back(), ours.back() - ours.front());
    std::printf("  peer: bare grab + plain window   after 1 %7.1f MB, after %d %7.1f MB (growth %+.1f MB)\n",
                peer.front(), captures, peer.back(), peer.back() - peer.front());
}

int runChild(int argc, char **argv, const QByteArray &scenario)
{
    if (scenario == "below")
        return runPatternChild(argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "needs an X server\n");
        return 1;
    }
    if (scenario == "overlay")
        overlayScenario();
    else if (scenario == "hidden")
        hiddenWindowScenario(argv[0]);
    else if (scenario == "memory")
        memoryScenario(true);
    else if (scenario == "memory-default")
        memoryScenario(false);
    else
        dragScenario();
    return 0;
}

int runOnXvfb(const char *self, const char *screen, const char *scale, const char *scenario,
              const char *serverOptions = "")
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QLatin1String(scale));
    environment.insert(QStringLiteral("RAVELOND_REDUCE_MOTION"), QStringLiteral("1"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(
        QStringLiteral("xvfb-run"),
        {QStringLiteral("-a"), QStringLiteral("-s"),
         QStringLiteral("-screen 0 %1 -nolisten tcp %2").arg(QLatin1String(screen), QLatin1String(serverOptions)),
         QString::fromLocal8Bit(self), QStringLiteral("--child"), QLatin1String(scenario)});
    // Only the driver waits like this; it has no interface of its own.
    child.waitForFinished(-1);
    return child.exitCode();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return runChild(argc, argv, argv[2]);
    QCoreApplication app(argc, argv);
    const char *self = argv[0];
    // One scenario by name (overlay, hidden, drag, memory), or all of them.
    const QByteArray only = argc >= 2 ? QByteArray(argv[1]) : QByteArray();
    const auto wanted = [&only](const char *scenario) { return only.isEmpty() || only == scenario; };
    int failures = 0;
    if (wanted("overlay")) {
        failures += runOnXvfb(self, "1440x900x24", "1", "overlay") != 0;
        failures += runOnXvfb(self, "2880x1800x24", "2", "overlay") != 0;
    }
    if (wanted("hidden"))
        failures += runOnXvfb(self, "1440x900x24", "1", "hidden", "-bs") != 0;
    if (wanted("drag"))
        failures += runOnXvfb(self, "3840x2160x24", "1", "drag") != 0;
    if (wanted("memory")) {
        failures += runOnXvfb(self, "2880x1800x24", "2", "memory") != 0;
        failures += runOnXvfb(self, "2880x1800x24", "2", "memory-default") != 0;
    }
    return failures;
}

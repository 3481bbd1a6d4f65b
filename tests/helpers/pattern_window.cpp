// Shows a window of a known pixel pattern at an exact place on the X screen,
// as another application would, and prints "ready" once the X server holds
// its pixels. Usage: pattern_window x y width height [repaint-delay-ms]
// (device pixels). With a delay it behaves like a busy application: once
// ready, it repaints what another window uncovered only that much later.
#include "../support/PixelPattern.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

namespace {

void syncWithServer()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return;
    xcb_connection_t *connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

class PatternWindow : public QWidget, public QAbstractNativeEventFilter {
public:
    PatternWindow(QSize size, int repaintDelay)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint),
          picture_(PixelPattern::image(size)), repaintDelay_(repaintDelay)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        if (repaintDelay_ > 0)
            qApp->installNativeEventFilter(this);
    }

    // Holds back the server's requests to repaint, then repaints everything.
    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
    {
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if (!announced_ || (event->response_type & 0x7f) != XCB_EXPOSE)
            return false;
        QTimer::singleShot(repaintDelay_, Qt::PreciseTimer, this, [this] { repaint(); });
        return true;
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).drawImage(0, 0, picture_);
        if (!announced_) {
            announced_ = true;
            QTimer::singleShot(0, this, [] {
                syncWithServer();
                std::printf("ready\n");
                std::fflush(stdout);
            });
        }
    }

private:
    QImage picture_;
    int repaintDelay_;
    bool announced_ = false;
};

} // namespace

int main(int argc, char **argv)
{
    // The pattern is laid out in device pixels.
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    QApplication app(argc, argv);
    if (argc != 5 && argc != 6)
        return 2;
    const QRect frame(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    PatternWindow window(frame.size(), argc == 6 ? std::atoi(argv[5]) : 0);
    window.setGeometry(frame);
    window.show();
    return app.exec();
}

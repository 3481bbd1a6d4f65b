#include "platform/X11ScreenGrabber.h"

#include "foundation/Background.h"
#include "models/TrovError.h"
#include "platform/X11Connection.h"
#include "platform/X11RepaintWatch.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QPointer>
#include <QScreen>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// Waits until the server has handled everything we sent before. xcb is
// thread-safe, so the reply is awaited on the pool, not on the GUI thread.
QCoro::Task<void> catchUpWithServer()
{
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection)
        co_return;
    const xcb_get_input_focus_cookie_t cookie = xcb_get_input_focus(connection);
    xcb_flush(connection);
    co_await Background::run(
        [connection, cookie] { std::free(xcb_get_input_focus_reply(connection, cookie, nullptr)); });
}

} // namespace

X11ScreenGrabber &X11ScreenGrabber::shared()
{
    static X11ScreenGrabber grabber;
    return grabber;
}

QCoro::Task<QImage> X11ScreenGrabber::grab(QScreen *screen)
{
    // The display may be unplugged while we wait.
    const QPointer<QScreen> display(screen);
    const QString name = screen ? screen->name() : QString();
    // A window of ours hidden just now may still be on screen until what lies
    // below has repainted; with none hidden this costs nothing.
    co_await X11RepaintWatch::shared().settled();
    co_await catchUpWithServer();
    const QPixmap frozen = display ? display->grabWindow(0) : QPixmap();
    if (frozen.isNull()) {
        throw TrovError::platformFailure(
            QStringLiteral("The display “%1” could not be captured. The X server refused the screenshot.").arg(name));
    }
    QImage image = frozen.toImage();
    image.setDevicePixelRatio(frozen.devicePixelRatio());
    co_return image;
}

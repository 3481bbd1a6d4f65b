#include "platform/X11RepaintWatch.h"

#include "platform/DesktopCompositor.h"
#include "platform/X11Connection.h"
#include "platform/X11Extensions.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <xcb/damage.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

// The damage event's flag for "more rectangles of the same report follow".
constexpr uint8_t moreFollow = 0x80;

bool isTopLevel(const QObject *object)
{
    if (!object->isWindowType())
        return false;
    const auto *window = static_cast<const QWindow *>(object);
    return !window->parent() && window->type() != Qt::Desktop && window->type() != Qt::ForeignWindow;
}

// A rectangle of a window's screen on the X screen, in device pixels. Qt keeps
// each screen's top-left corner in device pixels and scales from there. At a
// fractional scale the rectangle's edge pixels may belong to the neighbour:
// they are left out rather than waited for in vain.
QRect deviceRect(const QRect &logical, const QWindow &window)
{
    const QScreen *screen = window.screen();
    const qreal ratio = window.devicePixelRatio();
    const QPointF origin = screen ? QPointF(screen->geometry().topLeft()) : QPointF();
    const QRectF device(origin + (QPointF(logical.topLeft()) - origin) * ratio, QSizeF(logical.size()) * ratio);
    if (ratio == std::floor(ratio))
        return device.toRect();
    return device.toRect().adjusted(1, 1, -1, -1);
}

struct FreeDeleter {
    void operator()(void *pointer) const { std::free(pointer); }
};
template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, FreeDeleter>;

// The child of the root that holds `window`: the window itself when nothing
// manages it, else the window manager's frame around it.
xcb_window_t topLevelOf(xcb_connection_t *connection, xcb_window_t window, xcb_window_t root)
{
    for (int depth = 0; depth < 8; ++depth) {
        const ReplyPointer<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
        if (!tree || tree->parent == root || tree->parent == XCB_WINDOW_NONE)
            return window;
        window = tree->parent;
    }
    return window;
}

// Whether a window on screen below `window` (beneath it in the stacking
// order) overlaps `area`. Such a window is repainted by its own program once
// uncovered, and possibly first filled by the server with its background: the
// two look alike to DAMAGE (and the background cannot be asked for), so the
// fill must not settle the area alone. Over nothing but the root, the
// server's fill of the root's background is all there is.
bool windowBelow(xcb_connection_t *connection, xcb_window_t window, const QRect &area)
{
    const xcb_window_t root = X11Connection::rootWindow();
    const xcb_window_t top = topLevelOf(connection, window, root);
    const ReplyPointer<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!tree)
        return true;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    // Children come bottom first; all the questions go out before any answer is read.
    QList<std::pair<xcb_get_window_attributes_cookie_t, xcb_get_geometry_cookie_t>> asked;
    for (int index = 0; index < count && children[index] != top; ++index)
        asked.append(
            {xcb_get_window_attributes(connection, children[index]), xcb_get_geometry(connection, children[index])});
    bool below = false;
    for (const auto &[attributesCookie, geometryCookie] : asked) {
        const ReplyPointer<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection, attributesCookie, nullptr));
        const ReplyPointer<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(connection, geometryCookie, nullptr));
        if (below || !attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
            continue;
        const int border = 2 * geometry->border_width;
        below = area.intersects(QRect(geometry->x, geometry->y, geometry->width + border, geometry->height + border));
    }
    return below;
}

void startWatching()
{
    // Qt's connection to the X server may not exist yet while the application
    // object is being built.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            // Only a GUI application on X11 has windows to watch.
            if (X11Connection::connection())
                X11RepaintWatch::shared();
        },
        Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startWatching)

X11RepaintWatch &X11RepaintWatch::shared()
{
    static X11RepaintWatch watch;
    return watch;
}

X11RepaintWatch::X11RepaintWatch()
{
    clock_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &X11RepaintWatch::review);
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection)
        return;
    QCoreApplication::instance()->installEventFilter(this);
    QCoreApplication::instance()->installNativeEventFilter(this);
    for (QWindow *window : QGuiApplication::topLevelWindows())
        follow(window);
    // Until the server has said whether it has DAMAGE, hidden areas are
    // simply given the bound.
    queryX11Extension(connection, &xcb_damage_id, [this, connection](X11ExtensionCodes codes) {
        if (!codes.firstEvent)
            return;
        // The version must be agreed before any other request of the extension.
        xcb_discard_reply(connection, xcb_damage_query_version(connection, 1, 1).sequence);
        damageEvent_ = codes.firstEvent + XCB_DAMAGE_NOTIFY;
    });
}

QRegion X11RepaintWatch::coveredArea(const QWindow &window)
{
    const QRegion mask = window.mask();
    if (mask.isEmpty())
        return deviceRect(window.frameGeometry(), window);
    QRegion covered;
    for (const QRect &rect : mask)
        covered += deviceRect(rect.translated(window.geometry().topLeft()), window);
    return covered;
}

QCoro::Task<void> X11RepaintWatch::settled()
{
    if (isSettled())
        co_return;
    co_await qCoro(this, &X11RepaintWatch::becameSettled);
}

bool X11RepaintWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && isTopLevel(watched))
        follow(static_cast<QWindow *>(watched));
    return false;
}

void X11RepaintWatch::follow(QWindow *window)
{
    // Emitted before the window is unmapped: a damage report asked for here
    // reaches the server ahead of the unmap and so sees every repaint it causes.
    connect(window, &QWindow::visibleChanged, this, &X11RepaintWatch::visibilityChanged, Qt::UniqueConnection);
}

void X11RepaintWatch::visibilityChanged(bool visible)
{
    auto *window = qobject_cast<QWindow *>(sender());
    // A window that never reached the screen (or is minimised) left nothing;
    // one embedded in another application's window (a tray icon) is not ours
    // to wait for.
    if (visible || !window || !window->isExposed() || !QGuiApplication::topLevelWindows().contains(window))
        return;
    watch(coveredArea(*window), quint32(window->winId()));
}

void X11RepaintWatch::watch(const QRegion &covered, quint32 window)
{
    xcb_connection_t *connection = X11Connection::connection();
    if (!connection)
        return;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    // Only what lies on the X screen can be repainted.
    const QRegion onScreen = covered & QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    if (onScreen.isEmpty())
        return;
    const qint64 now = clock_.elapsed();
    // Without a compositor the window vanishes at once: over the bare root
    // one repaint is all, over another program's window its own repaint may
    // follow the server's fill.
    const bool waitsForQuiet =
        DesktopCompositor::isRunning() || windowBelow(connection, window, onScreen.boundingRect());
    const qint64 quiet = waitsForQuiet ? quietMilliseconds : 0;
    const quint16 since = startDamage();
    watches_.append({onScreen, onScreen.boundingRect(), now, now + boundMilliseconds, quiet, since});
    review();
}

quint16 X11RepaintWatch::startDamage()
{
    xcb_connection_t *connection = X11Connection::connection();
    if (!damageEvent_ || !connection)
        return 0;
    if (damage_)
        return quint16(xcb_no_operation(connection).sequence);
    damage_ = xcb_generate_id(connection);
    const xcb_void_cookie_t created =
        xcb_damage_create(connection, damage_, X11Connection::rootWindow(), XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    xcb_flush(connection);
    // A new damage object first reports its whole drawable.
    skippingInitialReport_ = true;
    return quint16(created.sequence);
}

void X11RepaintWatch::stopDamage()
{
    xcb_connection_t *connection = X11Connection::connection();
    if (!damage_ || !connection)
        return;
    xcb_damage_destroy(connection, damage_);
    xcb_flush(connection);
    damage_ = 0;
}

bool X11RepaintWatch::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (!damageEvent_ || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != damageEvent_)
        return false;
    const auto *notify = reinterpret_cast<const xcb_damage_notify_event_t *>(event);
    if (notify->damage != damage_)
        return true;
    if (skippingInitialReport_) {
        skippingInitialReport_ = (notify->level & moreFollow) != 0;
        return true;
    }
    drawn(QRect(notify->area.x, notify->area.y, notify->area.width, notify->area.height), notify->sequence);
    return true;
}

void X11RepaintWatch::drawn(const QRect &area, quint16 sequence)
{
    const qint64 now = clock_.elapsed();
    bool touched = false;
    for (Watch &watch : watches_) {
        // Sequence numbers wrap; the difference tells which came first.
        const bool afterHiding = qint16(quint16(sequence - watch.since)) >= 0;
        if (!afterHiding || !watch.area.intersects(area))
            continue;
        watch.remaining -= area;
        watch.lastDrawn = now;
        touched = true;
    }
    if (touched)
        review();
}

void X11RepaintWatch::review()
{
    const qint64 now = clock_.elapsed();
    watches_.removeIf([now](const Watch &watch) {
        return now >= watch.deadline || (watch.remaining.isEmpty() && now - watch.lastDrawn >= watch.quiet);
    });
    if (watches_.isEmpty()) {
        timer_.stop();
        stopDamage();
        Q_EMIT becameSettled();
        return;
    }
    qint64 next = watches_.first().deadline;
    for (const Watch &watch : watches_) {
        next = std::min(next, watch.deadline);
        if (watch.remaining.isEmpty())
            next = std::min(next, watch.lastDrawn + watch.quiet);
    }
    timer_.start(int(std::max<qint64>(0, next - now)));
}

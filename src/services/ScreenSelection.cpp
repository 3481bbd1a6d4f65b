#include "services/ScreenSelection.h"

#include "models/SelectionGeometry.h"
#include "models/TrovError.h"
#include "platform/AccessibilityPreferences.h"
#include "platform/Appearance.h"
#include "platform/Cancellation.h"
#include "platform/ScreenGrabber.h"
#include "platform/ScreenRecordingPermission.h"
#include "platform/Screens.h"
#include "support/PracticeCanvas.h"
#include "views/SelectionOverlay.h"
#include "views/SelectionWindow.h"

#include <QCoreApplication>
#include <QPropertyAnimation>
#include <QScreen>

namespace {

constexpr int fadeInMilliseconds = 160;

// Half-open, as Qt's integer rectangles: a pointer on the seam between two
// displays belongs to the one whose left or top edge it is on.
bool contains(const QRect &frame, QPointF point)
{
    return point.x() >= frame.left() && point.x() < frame.left() + frame.width() && point.y() >= frame.top() &&
           point.y() < frame.top() + frame.height();
}

} // namespace

ScreenSelection::ScreenSelection(SelectionPlatform platform, QObject *parent) : QObject(parent), platform_(platform)
{
}

ScreenSelection::~ScreenSelection()
{
    if (continuation_)
        finish(std::make_exception_ptr(TrovError::of(TrovError::cancelled)));
}

bool ScreenSelection::hasPermission() const
{
    return platform_.permission->hasPermission();
}

void ScreenSelection::requestPermission()
{
    platform_.permission->requestPermission();
}

QList<SelectionWindow *> ScreenSelection::windows() const
{
    QList<SelectionWindow *> open;
    for (const QPointer<SelectionWindow> &window : windows_) {
        if (window)
            open.append(window);
    }
    return open;
}

QCoro::Task<QImage> ScreenSelection::capture(OCREngine engine, std::stop_token token)
{
    selectedScreen_ = nullptr;
    if (!hasPermission())
        throw TrovError::of(TrovError::permission);
    // Every display is frozen before any overlay shows, one after another.
    QList<Frozen> frozen;
    const QPointer<ScreenSelection> self(this);
    for (QScreen *screen : platform_.screens->screens()) {
        Cancellation::throwIfRequested(token);
        QPointer<QScreen> guard(screen);
        QImage image = co_await platform_.grabber->grab(screen);
        // The service may have been destroyed during the grab.
        if (!self)
            throw TrovError::of(TrovError::taskCancelled);
        if (image.isNull()) {
            throw TrovError::platformFailure(
                QStringLiteral("The display “%1” could not be captured.").arg(guard ? guard->name() : QString()));
        }
        if (guard)
            frozen.append({guard, std::move(image)});
    }
    if (frozen.isEmpty())
        throw TrovError::captureFailure(QStringLiteral("No display is available to capture."));
    co_return co_await present(std::move(frozen), engine, false, token);
}

QCoro::Task<QImage> ScreenSelection::practice(OCREngine engine, std::stop_token token)
{
    Cancellation::throwIfRequested(token);
    QScreen *screen = screenUnderPointer(platform_.screens->pointerLocation());
    if (!screen)
        screen = platform_.screens->primaryScreen();
    if (!screen)
        throw TrovError::captureFailure(QStringLiteral("No display is available."));
    selectedScreen_ = screen;
    const bool dark = platform_.appearance && platform_.appearance->isDark();
    QImage picture = PracticeCanvas::image(screen->geometry().size(), screen->devicePixelRatio(), dark);
    QList<Frozen> sample;
    sample.append({screen, std::move(picture)});
    co_return co_await present(std::move(sample), engine, true, token);
}

void ScreenSelection::cancel()
{
    finish(std::make_exception_ptr(TrovError::of(TrovError::cancelled)));
}

QCoro::Task<QImage> ScreenSelection::present(QList<Frozen> frozen, OCREngine engine, bool practice,
                                             std::stop_token token)
{
    Cancellation::throwIfRequested(token);
    // A presentation still up would be orphaned, its windows covering the
    // screens for good: end it as cancelled first.
    if (continuation_)
        cancel();
    frozen.removeIf([](const Frozen &pair) { return pair.screen.isNull(); });
    if (frozen.isEmpty())
        throw TrovError::captureFailure(QStringLiteral("No display is available to capture."));

    const QUuid id = QUuid::createUuid();
    presentationID_ = id;
    continuation_.emplace();
    const SelectionContinuation continuation = *continuation_;
    // May run on any thread: it only schedules a check on the GUI thread, and a
    // stale stop (this presentation over, or a newer one up) changes nothing.
    QPointer<ScreenSelection> guard(this);
    const std::stop_callback onStop(token, [guard, id] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, id] {
                if (guard && guard->presentationID_ == id)
                    guard->cancel();
            },
            Qt::QueuedConnection);
    });

    const QPointF pointer = platform_.screens->pointerLocation();
    for (const Frozen &pair : frozen)
        showWindow(pair, engine, practice, pointer);
    Q_EMIT presented();
    // Only locals from here on: the service may be gone when this resumes.
    co_return co_await continuation;
}

void ScreenSelection::showWindow(const Frozen &frozen, OCREngine engine, bool practice, QPointF pointer)
{
    QScreen *screen = frozen.screen;
    auto *window = new SelectionWindow(screen);
    const QSizeF viewSize = screen->geometry().size();
    auto *overlay = new SelectionOverlay(frozen.image, viewSize, engine, practice, platform_);
    QPointer<ScreenSelection> guard(this);
    overlay->onCancel = [guard] {
        if (guard)
            guard->cancel();
    };
    QPointer<QScreen> display(screen);
    overlay->onSelection = [guard, display, image = frozen.image, viewSize](const QRectF &selection) {
        if (guard)
            guard->selected(display, image, viewSize, selection);
    };
    window->setOverlay(overlay);
    windows_.append(window);

    const bool reduceMotion = platform_.accessibility->reduceMotion();
    window->setWindowOpacity(reduceMotion ? 1 : 0);
    window->show();
    if (!reduceMotion) {
        auto *fadeIn = new QPropertyAnimation(window, "windowOpacity", window);
        fadeIn->setDuration(fadeInMilliseconds);
        fadeIn->setEndValue(1.0);
        fadeIn->start(QAbstractAnimation::DeleteWhenStopped);
    }
    if (contains(screen->geometry(), pointer))
        overlay->makeKey();
}

void ScreenSelection::selected(QScreen *screen, const QImage &image, QSizeF viewSize, const QRectF &selection)
{
    const QRectF pixels = SelectionGeometry::pixelRect(selection, viewSize, QSizeF(image.width(), image.height()));
    // QImage::copy of an empty rectangle would return the whole picture.
    if (SelectionGeometry::isEmpty(pixels)) {
        finish(std::make_exception_ptr(TrovError::of(TrovError::invalidImage)));
        return;
    }
    QImage crop = image.copy(pixels.toRect());
    if (crop.isNull()) {
        finish(std::make_exception_ptr(TrovError::of(TrovError::invalidImage)));
        return;
    }
    selectedScreen_ = screen;
    finish(crop);
}

void ScreenSelection::finish(const QImage &image)
{
    closeWindows();
    presentationID_ = QUuid();
    if (std::optional<SelectionContinuation> continuation = std::exchange(continuation_, std::nullopt))
        continuation->resolve(image);
}

void ScreenSelection::finish(std::exception_ptr error)
{
    closeWindows();
    presentationID_ = QUuid();
    if (std::optional<SelectionContinuation> continuation = std::exchange(continuation_, std::nullopt))
        continuation->fail(std::move(error));
}

void ScreenSelection::closeWindows()
{
    const QList<QPointer<SelectionWindow>> closing = std::exchange(windows_, {});
    for (const QPointer<SelectionWindow> &window : closing) {
        if (!window)
            continue;
        window->hide();
        if (SelectionOverlay *overlay = window->overlay()) {
            overlay->releaseKeyboard();
            overlay->stopAnimation();
        }
        window->removeOverlay();
        window->close();
        // The overlay may be inside its own event handler right now.
        window->deleteLater();
    }
}

QScreen *ScreenSelection::screenUnderPointer(QPointF pointer) const
{
    for (QScreen *screen : platform_.screens->screens()) {
        if (contains(screen->geometry(), pointer))
            return screen;
    }
    return nullptr;
}

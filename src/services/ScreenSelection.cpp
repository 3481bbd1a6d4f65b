#include "services/ScreenSelection.h"

#include "foundation/Cancellation.h"
#include "models/SelectionGeometry.h"
#include "models/TrovError.h"
#include "platform/AccessibilityPreferences.h"
#include "platform/Appearance.h"
#include "platform/OwnWindows.h"
#include "platform/ScreenGrabber.h"
#include "platform/ScreenRecordingPermission.h"
#include "platform/Screens.h"
#include "services/SelectionPresenter.h"
#include "services/SelectionSurface.h"

#include <QCoreApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

double distance(const QRect &frame, QPointF point)
{
    const double dx = std::max({double(frame.left()) - point.x(), 0.0, point.x() - (frame.left() + frame.width())});
    const double dy = std::max({double(frame.top()) - point.y(), 0.0, point.y() - (frame.top() + frame.height())});
    return std::hypot(dx, dy);
}

// Our own windows must not be frozen into the picture: whatever of ours is on
// screen hides for the capture, and what the user opened comes back once the
// capture is over, whatever its outcome.
class HiddenForCapture {
public:
    explicit HiddenForCapture(OwnWindows *windows)
        : windows_(windows), hidden_(windows ? windows->hideVisible() : QList<QPointer<QWindow>>())
    {
    }
    ~HiddenForCapture()
    {
        if (windows_)
            windows_->showAgain(hidden_);
    }
    HiddenForCapture(const HiddenForCapture &) = delete;
    HiddenForCapture &operator=(const HiddenForCapture &) = delete;

private:
    OwnWindows *windows_;
    QList<QPointer<QWindow>> hidden_;
};

} // namespace

ScreenSelection::ScreenSelection(SelectionPlatform platform, SelectionPresenter *presenter, QObject *parent)
    : QObject(parent), platform_(platform), presenter_(presenter)
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

QList<SelectionSurface *> ScreenSelection::surfaces() const
{
    QList<SelectionSurface *> open;
    for (const Shown &shown : shown_) {
        if (shown.lifetime)
            open.append(shown.surface);
    }
    return open;
}

QCoro::Task<QImage> ScreenSelection::capture(OCREngine engine, std::stop_token token)
{
    selectedScreen_ = nullptr;
    if (!hasPermission())
        throw TrovError::of(TrovError::permission);
    const HiddenForCapture hidden(platform_.windows);
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
    QScreen *screen = platform_.screens->screenUnderPointer();
    if (!screen || !presenter_)
        throw TrovError::captureFailure(QStringLiteral("No display is available."));
    selectedScreen_ = screen;
    const bool dark = platform_.appearance && platform_.appearance->isDark();
    QImage picture = presenter_->practicePicture(screen->geometry().size(), screen->devicePixelRatio(), dark);
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
    if (frozen.isEmpty() || !presenter_)
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
    bool keyboardTaken = false;
    for (const Frozen &pair : frozen)
        keyboardTaken = showSurface(pair, engine, practice, pointer) || keyboardTaken;
    // With the pointer on no display (in a gap left by displays of unequal
    // size) Escape and the arrows must still reach an overlay.
    if (!keyboardTaken)
        shown_[keyboardFallback(frozen, pointer)].surface->makeKey();
    Q_EMIT presented();
    // Only locals from here on: the service may be gone when this resumes.
    co_return co_await continuation;
}

bool ScreenSelection::showSurface(const Frozen &frozen, OCREngine engine, bool practice, QPointF pointer)
{
    QScreen *screen = frozen.screen;
    SelectionSurface *surface = presenter_->present(screen, frozen.image, engine, practice);
    QPointer<ScreenSelection> guard(this);
    surface->onCancel = [guard] {
        if (guard)
            guard->cancel();
    };
    QPointer<QScreen> display(screen);
    const QSizeF viewSize = screen->geometry().size();
    surface->onSelection = [guard, display, image = frozen.image, viewSize](const QRectF &selection) {
        if (guard)
            guard->selected(display, image, viewSize, selection);
    };
    shown_.append({surface, surface->lifetime()});
    if (!Screens::frameHolds(screen->geometry(), pointer))
        return false;
    surface->makeKey();
    return true;
}

qsizetype ScreenSelection::keyboardFallback(const QList<Frozen> &frozen, QPointF pointer) const
{
    QScreen *primary = platform_.screens->primaryScreen();
    qsizetype nearest = 0;
    for (qsizetype index = 0; index < frozen.size(); ++index) {
        if (frozen[index].screen == primary)
            return index;
        if (distance(frozen[index].screen->geometry(), pointer) < distance(frozen[nearest].screen->geometry(), pointer))
            nearest = index;
    }
    return nearest;
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
    closeSurfaces();
    presentationID_ = QUuid();
    if (std::optional<SelectionContinuation> continuation = std::exchange(continuation_, std::nullopt))
        continuation->resolve(image);
}

void ScreenSelection::finish(std::exception_ptr error)
{
    closeSurfaces();
    presentationID_ = QUuid();
    if (std::optional<SelectionContinuation> continuation = std::exchange(continuation_, std::nullopt))
        continuation->fail(std::move(error));
}

void ScreenSelection::closeSurfaces()
{
    const QList<Shown> closing = std::exchange(shown_, {});
    for (const Shown &shown : closing) {
        if (shown.lifetime)
            shown.surface->dismiss();
    }
}

#include "views/SelectionOverlayPresenter.h"

#include "platform/AccessibilityPreferences.h"
#include "support/design/PracticeCanvas.h"
#include "views/SelectionOverlay.h"
#include "views/SelectionWindow.h"

#include <QPropertyAnimation>
#include <QScreen>

namespace {

constexpr int fadeInMilliseconds = 160;

} // namespace

SelectionOverlayPresenter::SelectionOverlayPresenter(SelectionPlatform platform) : platform_(platform)
{
}

SelectionSurface *SelectionOverlayPresenter::present(QScreen *screen, const QImage &picture, OCREngine engine,
                                                     bool practice)
{
    auto *window = new SelectionWindow(screen);
    window->setOverlay(new SelectionOverlay(picture, screen->geometry().size(), engine, practice, platform_));
    windows_.removeIf([](const QPointer<SelectionWindow> &shown) { return shown.isNull(); });
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
    return window;
}

QImage SelectionOverlayPresenter::practicePicture(QSizeF size, qreal devicePixelRatio, bool dark) const
{
    return PracticeCanvas::image(size, devicePixelRatio, dark);
}

QList<SelectionWindow *> SelectionOverlayPresenter::windows() const
{
    QList<SelectionWindow *> open;
    for (const QPointer<SelectionWindow> &window : windows_) {
        if (window && window->isVisible())
            open.append(window);
    }
    return open;
}

#include "views/SelectionWindow.h"

#include "views/SelectionOverlay.h"

#include <QScreen>

const QString SelectionWindow::title = QStringLiteral("Ravelond selection");

SelectionWindow::SelectionWindow(QScreen *screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
}

void SelectionWindow::setOverlay(SelectionOverlay *overlay)
{
    overlay_ = overlay;
    overlay->setParent(this);
    overlay->setGeometry(rect());
    overlay->onSelection = [this](const QRectF &selection) {
        if (onSelection)
            onSelection(selection);
    };
    overlay->onCancel = [this] {
        if (onCancel)
            onCancel();
    };
}

void SelectionWindow::makeKey()
{
    if (overlay_)
        overlay_->makeKey();
}

void SelectionWindow::dismiss()
{
    hide();
    if (overlay_) {
        overlay_->releaseKeyboard();
        overlay_->stopAnimation();
    }
    removeOverlay();
    close();
    // The overlay may be inside its own event handler right now.
    deleteLater();
}

void SelectionWindow::removeOverlay()
{
    if (!overlay_)
        return;
    overlay_->hide();
    overlay_->deleteLater();
    overlay_ = nullptr;
}

void SelectionWindow::resizeEvent(QResizeEvent *)
{
    if (overlay_)
        overlay_->setGeometry(rect());
}

#include "views/SelectionOverlay.h"

#include "models/SelectionGeometry.h"
#include "platform/AccessibilityPreferences.h"
#include "platform/Announcer.h"
#include "platform/DevicePointer.h"
#include "views/SelectionPresentation.h"
#include "views/SelectionToolbar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

namespace {

// The overlay as assistive technologies see it: one group element whose value
// is the selection's size. The hint card inside is not exposed.
class OverlayAccessible : public QAccessibleWidget {
public:
    explicit OverlayAccessible(SelectionOverlay *overlay) : QAccessibleWidget(overlay, QAccessible::Grouping) {}

    QString text(QAccessible::Text kind) const override
    {
        const auto *overlay = static_cast<const SelectionOverlay *>(widget());
        switch (kind) {
        case QAccessible::Name:
            return overlay->accessibleLabel();
        case QAccessible::Help:
            return SelectionOverlay::helpText;
        case QAccessible::Description:
            return SelectionOverlay::helpText;
        case QAccessible::Value:
            return overlay->accessibleValue();
        default:
            return QAccessibleWidget::text(kind);
        }
    }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
};

QAccessibleInterface *overlayFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("SelectionOverlay") && object && object->isWidgetType())
        return new OverlayAccessible(static_cast<SelectionOverlay *>(object));
    return nullptr;
}

// The grab's pixels in the format the raster engine blits fastest.
QImage blittable(const QImage &image)
{
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied)
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

} // namespace

const QString SelectionOverlay::helpText =
    QStringLiteral("Drag around text and release to copy. Arrow keys move a selection; Shift and arrows resize. "
                   "Option moves one point. Return captures. Escape cancels.");

SelectionOverlay::SelectionOverlay(const QImage &image, QSizeF size, OCREngine engine, bool practice,
                                   const SelectionPlatform &platform, QWidget *parent)
    : QWidget(parent), image_(blittable(image)), platform_(platform),
      presentation_(new SelectionPresentation(engine, practice, this)),
      toolbar_(new SelectionToolbar(*presentation_, *platform.accessibility, this))
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(overlayFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    chrome_.imageSize = QSizeF(image.width(), image.height());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    resize(size.toSize());
    // A hidden widget gets its resize event only when shown; lay out now.
    toolbar_->setGeometry(toolbarFrame(width()));
}

SelectionOverlay::~SelectionOverlay() = default;

QString SelectionOverlay::accessibleLabel() const
{
    return presentation_->practice() ? QStringLiteral("Practice screenshot selection")
                                     : QStringLiteral("Screenshot selection");
}

QRect SelectionOverlay::toolbarFrame(int width)
{
    const int w = std::min(510, std::max(0, width - 32));
    return QRect((width - w) / 2, 40, w, 100);
}

void SelectionOverlay::stopAnimation()
{
    toolbar_->hide();
}

void SelectionOverlay::makeKey()
{
    window()->raise();
    window()->activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
    // A window that bypasses the window manager gets no focus from it: take the
    // keyboard outright. Only one widget holds the grab, so the key overlay
    // follows the last click.
    grabKeyboard();
}

void SelectionOverlay::resizeEvent(QResizeEvent *)
{
    toolbar_->setGeometry(toolbarFrame(width()));
}

void SelectionOverlay::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(bounds(), image_);
    chrome_.paint(painter, bounds(), platform_.accessibility->increaseContrast());
}

void SelectionOverlay::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        if (onCancel)
            onCancel();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    makeKey();
    start_ = pointerPosition(*event);
    setSelection(QRectF());
    presentation_->setKeyboard(false);
    presentation_->setNeedsLarger(false);
    updateSelection();
}

void SelectionOverlay::mouseMoveEvent(QMouseEvent *event)
{
    if (!start_)
        return;
    setSelection(SelectionGeometry::rectangle(*start_, pointerPosition(*event), bounds()));
    updateSelection();
}

void SelectionOverlay::mouseReleaseEvent(QMouseEvent *event)
{
    if (!start_ || event->button() != Qt::LeftButton)
        return;
    setSelection(SelectionGeometry::rectangle(*start_, pointerPosition(*event), bounds()));
    start_.reset();
    if (largeEnough()) {
        if (onSelection)
            onSelection(selection_);
        return;
    }
    setSelection(QRectF());
    presentation_->setNeedsLarger(true);
    updateSelection();
    if (platform_.announcer) {
        platform_.announcer->announce(
            this, QStringLiteral("Selection too small. Drag a larger area or use the arrow keys."), Announcer::medium);
        announcedTooSmall_ = true;
    }
}

QPointF SelectionOverlay::pointerPosition(const QMouseEvent &event) const
{
    // Positions are worked out in the frozen picture's pixels, with the same
    // scales the crop uses, so the pixel under the pointer is the one cropped.
    const QSizeF pixels = chrome_.imageSize;
    const QSizeF points = bounds().size();
    if (pixels.isEmpty() || points.isEmpty())
        return event.position();
    const double sx = pixels.width() / points.width();
    const double sy = pixels.height() / points.height();
    QPointF device(event.position().x() * sx, event.position().y() * sy);
    const QWindow *handle = window()->windowHandle();
    if (platform_.pointer && handle) {
        if (const std::optional<QPointF> native = platform_.pointer->devicePosition(event, *handle)) {
            const QPointF origin = mapTo(window(), QPointF(0, 0));
            device = *native - QPointF(origin.x() * sx, origin.y() * sy);
        }
    }
    // The pointer cannot get past the last pixel, which therefore stands for
    // the far edge: a drag can take in the last column and row.
    if (device.x() >= pixels.width() - 1)
        device.setX(pixels.width());
    if (device.y() >= pixels.height() - 1)
        device.setY(pixels.height());
    return QPointF(device.x() / sx, device.y() / sy);
}

void SelectionOverlay::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        if (onCancel)
            onCancel();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        confirmIfLargeEnough();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        arrowKey(event->key(), event->modifiers());
        return;
    default:
        event->ignore();
    }
}

void SelectionOverlay::arrowKey(int key, Qt::KeyboardModifiers modifiers)
{
    setSelection(SelectionGeometry::adjusted(selection_, bounds(), key, modifiers.testFlag(Qt::ShiftModifier),
                                             modifiers.testFlag(Qt::AltModifier)));
    presentation_->setKeyboard(true);
    presentation_->setNeedsLarger(false);
    updateSelection();
    QAccessibleValueChangeEvent changed(this, accessibleValue_);
    QAccessible::updateAccessibility(&changed);
}

bool SelectionOverlay::largeEnough() const
{
    return selection_.width() >= minimumSide && selection_.height() >= minimumSide;
}

void SelectionOverlay::confirmIfLargeEnough()
{
    if (largeEnough() && onSelection)
        onSelection(selection_);
}

void SelectionOverlay::setSelection(const QRectF &selection)
{
    // Only the chrome around the old and the new rectangle changes look.
    const QRegion dirty = SelectionChrome::damage(selection_, selection, bounds());
    selection_ = selection;
    update(dirty);
}

void SelectionOverlay::updateSelection()
{
    chrome_.selection = selection_;
    const bool hasSelection = !SelectionGeometry::isEmpty(selection_);
    if (presentation_->hasSelection() != hasSelection)
        presentation_->setHasSelection(hasSelection);
    const QRectF pixels = SelectionGeometry::pixelRect(selection_, bounds().size(), chrome_.imageSize);
    accessibleValue_ =
        QStringLiteral("Selection %1 by %2 pixels").arg(qRound(pixels.width())).arg(qRound(pixels.height()));
    if (announcedTooSmall_ && largeEnough()) {
        announcedTooSmall_ = false;
        platform_.announcer->withdraw(this);
    }
}

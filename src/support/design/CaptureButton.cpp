#include "support/design/CaptureButton.h"

#include "support/design/DesignTokens.h"
#include "support/design/ShadowUnderlay.h"
#include "support/design/SoftShadow.h"
#include "support/design/TrovStyle.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

namespace {

// The glow at its widest: the hovered radius, 4 points down.
QMarginsF glowReach()
{
    return SoftShadow::reach(12, QPointF(0, CaptureButtonStyle::glowOffset));
}

} // namespace

CaptureButton::CaptureButton(const QString &text, QWidget *parent)
    : AnimatedButton(DesignTokens::captureHoverMs, DesignTokens::capturePressMs, parent)
{
    setText(text);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    ensureGlow();
}

void CaptureButton::setSymbol(const QString &symbol)
{
    label_.symbol = symbol;
    labelChanged();
}

void CaptureButton::setAccessory(const QString &accessory)
{
    label_.accessory = accessory;
    // The key cap beside the title is read after it, as the button's description.
    setAccessibleDescription(accessory);
    labelChanged();
}

void CaptureButton::setTrailingSymbol(const QString &symbol)
{
    label_.trailingSymbol = symbol;
    labelChanged();
}

void CaptureButton::labelChanged()
{
    const QString symbol = label_.symbol.isEmpty() ? label_.trailingSymbol : label_.symbol;
    setProperty("symbol", symbol.isEmpty() ? QVariant() : QVariant(symbol));
    updateGeometry();
    update();
}

CaptureButtonStyle::Label CaptureButton::currentLabel() const
{
    CaptureButtonStyle::Label label = label_;
    label.text = text();
    return label;
}

QSize CaptureButton::sizeHint() const
{
    const QSizeF label = CaptureButtonStyle::labelSize(currentLabel());
    return QSize(int(std::ceil(label.width() + 2 * CaptureButtonStyle::horizontalPadding)),
                 int(std::ceil(label.height() + 2 * CaptureButtonStyle::verticalPadding)));
}

QSize CaptureButton::minimumSizeHint() const
{
    return sizeHint();
}

bool CaptureButton::event(QEvent *event)
{
    // The host is settled again once the button is on screen: its container
    // may have been put into its own container after the button joined it.
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show)
        ensureGlow();
    return AnimatedButton::event(event);
}

// The glow is drawn in the button's container's container when there is one:
// a button usually sits in a column exactly as wide as itself.
void CaptureButton::ensureGlow()
{
    QWidget *host = parentWidget() && parentWidget()->parentWidget() ? parentWidget()->parentWidget() : parentWidget();
    if (glow_ && glow_->parentWidget() == host)
        return;
    delete glow_.data();
    if (!host)
        return;
    glow_ = new ShadowUnderlay(*this, *host, glowReach(), [this](QPainter &painter) {
        CaptureButtonStyle::paintGlow(painter, QRectF(rect()), look(), TrovStyle::teal(environment().isDark()));
    });
}

void CaptureButton::lookChanged()
{
    update();
    if (glow_)
        glow_->update();
}

void CaptureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF frame(rect());
    CaptureButtonStyle::paintButton(painter, frame, look(), currentLabel());
    if (showsFocusRing()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(DesignTokens::withOpacity(Qt::white, 0.85), 2));
        painter.drawRoundedRect(frame.adjusted(2, 2, -2, -2), DesignTokens::captureButtonRadius - 2,
                                DesignTokens::captureButtonRadius - 2);
    }
}

#include "support/design/PlainButton.h"

#include "support/design/DesignTokens.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

// Room for the keyboard focus ring around the text.
constexpr double ringMargin = 2;

} // namespace

PlainButton::PlainButton(const QString &text, const QFont &font, SystemColours::Ink ink, QWidget *parent)
    : AnimatedButton(DesignTokens::quietHoverMs, 0, parent), font_(font), ink_(ink)
{
    setText(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void PlainButton::setInk(SystemColours::Ink ink)
{
    ink_ = ink;
    update();
}

QSize PlainButton::sizeHint() const
{
    const QFontMetricsF metrics(font_);
    return QSize(int(std::ceil(metrics.horizontalAdvance(text()) + 2 * ringMargin)),
                 int(std::ceil(metrics.height() + 2 * ringMargin)));
}

void PlainButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QColor colour = environment().ink(ink_);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);
    else if (isDown())
        painter.setOpacity(pressedOpacity);
    painter.setFont(font_);
    painter.setPen(colour);
    painter.drawText(QRectF(rect()), Qt::AlignCenter, text());
    if (showsFocusRing()) {
        painter.setOpacity(1);
        painter.setPen(QPen(environment().ink(SystemColours::Ink::teal), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 4, 4);
    }
}

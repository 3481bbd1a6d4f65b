#include "support/design/StatusDot.h"

#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"

#include <QPainter>

StatusDot::StatusDot(int side, SystemColours::Ink ink, QWidget *parent) : QWidget(parent), ink_(ink)
{
    DesignAccessibility::hide(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(side, side);
}

void StatusDot::setInk(SystemColours::Ink ink, double opacity)
{
    ink_ = ink;
    opacity_ = opacity;
    update();
}

void StatusDot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(DesignEnvironment::of(this).ink(ink_), opacity_));
    painter.drawEllipse(QRectF(rect()));
}

#include "support/design/Surface.h"

#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"

#include <QPainter>
#include <QVBoxLayout>

Surface::Surface(QWidget *content, QWidget *parent) : QWidget(parent), content_(content)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(0);
    layout->addWidget(content);
}

void Surface::paintEvent(QPaintEvent *)
{
    constexpr double radius = DesignTokens::surfaceRadius;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor primary = DesignEnvironment::of(this).ink(SystemColours::Ink::primary);
    const QRectF frame(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(primary, fillOpacity));
    painter.drawRoundedRect(frame, radius, radius);
    painter.setPen(QPen(DesignTokens::withOpacity(primary, borderOpacity), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

void Surface::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    DesignEnvironment::of(this).repaintOnChange(this);
}

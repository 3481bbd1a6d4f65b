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

void Surface::paintCard(QPainter &painter, const QRectF &frame, double radius, const QColor &primary,
                        double fillOpacity, double borderOpacity, const QList<qreal> &dashes)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(primary, fillOpacity));
    painter.drawRoundedRect(frame, radius, radius);
    if (borderOpacity > 0) {
        QPen border(DesignTokens::withOpacity(primary, borderOpacity), 1);
        if (!dashes.isEmpty())
            border.setDashPattern(dashes);
        painter.setPen(border);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    }
    painter.restore();
}

void Surface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintCard(painter, QRectF(rect()), DesignTokens::surfaceRadius,
              DesignEnvironment::of(this).ink(SystemColours::Ink::primary), fillOpacity, borderOpacity);
}

void Surface::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    DesignEnvironment::of(this).repaintOnChange(this);
}

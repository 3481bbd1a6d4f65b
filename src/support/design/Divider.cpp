#include "support/design/Divider.h"

#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"

#include <QPainter>

Divider::Divider(double opacity, QWidget *parent) : QWidget(parent), opacity_(opacity)
{
    DesignAccessibility::hide(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(1);
}

void Divider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(
        rect(), DesignTokens::withOpacity(SystemColours::separator(DesignEnvironment::of(this).isDark()), opacity_));
}

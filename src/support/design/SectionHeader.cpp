#include "support/design/SectionHeader.h"

#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

SectionHeader::SectionHeader(const QString &title, QWidget *parent) : QWidget(parent)
{
    DesignAccessibility::markAsText(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setTitle(title);
}

QFont SectionHeader::font()
{
    return DesignTokens::font(DesignTokens::FontRole::sectionHeader);
}

void SectionHeader::setTitle(const QString &title)
{
    title_ = title;
    setAccessibleName(title);
    updateGeometry();
    update();
}

void SectionHeader::setTopPadding(int padding)
{
    topPadding_ = padding;
    updateGeometry();
    update();
}

QSize SectionHeader::sizeHint() const
{
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(metrics.horizontalAdvance(title_))), int(std::ceil(metrics.height())) + topPadding_);
}

void SectionHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    painter.setPen(DesignEnvironment::of(this).ink(SystemColours::Ink::secondary));
    painter.drawText(QRectF(0, topPadding_, width(), height() - topPadding_), Qt::AlignLeft | Qt::AlignVCenter, title_);
}

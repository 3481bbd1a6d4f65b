#include "support/design/TrovMark.h"

#include "support/design/DesignAccessibility.h"
#include "support/design/DesignTokens.h"
#include "support/design/SymbolLibrary.h"
#include "support/design/TrovStyle.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

TrovMark::TrovMark(qreal size, QWidget *parent) : QWidget(parent), size_(size)
{
    DesignAccessibility::hide(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
}

void TrovMark::setMarkSize(qreal size)
{
    size_ = size;
    setFixedSize(sizeHint());
    update();
}

QSize TrovMark::sizeHint() const
{
    const int side = int(std::ceil(size_));
    return QSize(side, side);
}

void TrovMark::paint(QPainter &painter, QPointF topLeft, qreal size)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square(topLeft, QSizeF(size, size));
    QPainterPath shape;
    shape.addRoundedRect(square, size * DesignTokens::markRadiusShare, size * DesignTokens::markRadiusShare);
    painter.fillPath(shape, TrovStyle::gradient());
    const qreal symbol = size * 0.57;
    SymbolLibrary::paint(painter, QStringLiteral("text.viewfinder"),
                         QRectF(square.center() - QPointF(symbol / 2, symbol / 2), QSizeF(symbol, symbol)), Qt::white,
                         SymbolLibrary::Weight::medium);
    painter.restore();
}

void TrovMark::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, QPointF((width() - size_) / 2, (height() - size_) / 2), size_);
}

qreal TrovMark::cornerRadius() const
{
    return size_ * DesignTokens::markRadiusShare;
}

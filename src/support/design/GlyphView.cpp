#include "support/design/GlyphView.h"

#include "support/design/DesignAccessibility.h"

#include <QPainter>

GlyphView::GlyphView(QWidget *parent) : QWidget(parent)
{
    DesignAccessibility::hide(*this);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(side, side);
}

void GlyphView::setTransition(double scale, double opacity)
{
    scale_ = scale;
    opacity_ = opacity;
    update();
}

void GlyphView::paintEvent(QPaintEvent *)
{
    if (opacity_ <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity_);
    const QRectF frame(rect());
    painter.translate(frame.center());
    painter.scale(scale_, scale_);
    painter.translate(-frame.center());
    paintGlyph(painter, frame);
}

void GlyphView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    environment().repaintOnChange(this);
}

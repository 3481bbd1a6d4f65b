#include "support/design/CopySuccessGlyph.h"

#include "support/design/DesignTokens.h"
#include "support/design/TrovStyle.h"

#include <QLineF>
#include <QPainter>
#include <QVariantAnimation>

CopySuccessGlyph::CopySuccessGlyph(QWidget *parent) : GlyphView(parent)
{
}

QPainterPath CopySuccessGlyph::checkmark(const QRectF &box)
{
    QPainterPath path;
    path.moveTo(box.left(), box.center().y());
    path.lineTo(box.left() + 0.36 * box.width(), box.bottom());
    path.lineTo(box.right(), box.top());
    return path;
}

void CopySuccessGlyph::paint(QPainter &painter, const QRectF &frame, double drawn, bool dark)
{
    const QColor teal = TrovStyle::teal(dark);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(TrovStyle::mint(), 0.13));
    painter.drawEllipse(frame);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(DesignTokens::withOpacity(teal, 0.18), 1));
    painter.drawEllipse(frame.adjusted(0.5, 0.5, -0.5, -0.5));

    if (drawn > 0) {
        // The mark trimmed to the drawn share of its length: both segments,
        // or the first and part of the second, or part of the first.
        const QSizeF markSize(22, 17);
        const QPainterPath mark = checkmark(QRectF(frame.center() - QPointF(11, 8.5), markSize));
        const QPointF points[] = {mark.elementAt(0), mark.elementAt(1), mark.elementAt(2)};
        const QLineF first(points[0], points[1]);
        const QLineF second(points[1], points[2]);
        double remaining = std::min(drawn, 1.0) * (first.length() + second.length());
        QPainterPath trimmed;
        trimmed.moveTo(points[0]);
        if (remaining <= first.length()) {
            trimmed.lineTo(first.pointAt(remaining / first.length()));
        } else {
            remaining -= first.length();
            trimmed.lineTo(points[1]);
            trimmed.lineTo(second.pointAt(remaining / second.length()));
        }
        painter.setPen(QPen(teal, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(trimmed);
    }
    painter.restore();
}

bool CopySuccessGlyph::isAnimating() const
{
    return drawIn_ && drawIn_->state() == QAbstractAnimation::Running;
}

void CopySuccessGlyph::paintGlyph(QPainter &painter, const QRectF &frame)
{
    paint(painter, frame, drawn_, environment().isDark());
}

void CopySuccessGlyph::showEvent(QShowEvent *event)
{
    GlyphView::showEvent(event);
    delete drawIn_.data();
    if (environment().reduceMotion()) {
        drawn_ = 1;
        update();
        return;
    }
    drawn_ = 0;
    auto *drawIn = new QVariantAnimation(this);
    drawIn->setStartValue(0.0);
    drawIn->setEndValue(1.0);
    drawIn->setDuration(drawInMs);
    drawIn->setEasingCurve(DesignTokens::easeOut());
    connect(drawIn, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        drawn_ = value.toDouble();
        update();
    });
    drawIn_ = drawIn;
    drawIn->start(QAbstractAnimation::DeleteWhenStopped);
}

void CopySuccessGlyph::hideEvent(QHideEvent *event)
{
    delete drawIn_.data();
    drawn_ = 0;
    GlyphView::hideEvent(event);
}

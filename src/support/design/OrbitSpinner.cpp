#include "support/design/OrbitSpinner.h"

#include "support/design/DesignTokens.h"
#include "support/design/SoftShadow.h"
#include "support/design/TrovStyle.h"

#include <QConicalGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace {

// The turn and the sweep (there and back) meet again after this long, so one
// looping clock drives both without a jump.
constexpr int commonPeriodMs = 73600;
static_assert(commonPeriodMs % OrbitSpinner::turnMs == 0 && commonPeriodMs % (2 * OrbitSpinner::sweepMs) == 0);

// The arc: the ring's outline from 0.10 to 0.67 of its length, clockwise from its rightmost point.
constexpr double arcStart = 0.10;
constexpr double arcEnd = 0.67;
constexpr double barTravel = 11;

void paintTextLines(QPainter &painter, QPointF centre, const QColor &teal)
{
    // Three 2-point capsules, leading-aligned, 4 apart, the column centred in a 24 × 28 box.
    constexpr double widths[] = {18, 13, 16};
    constexpr double lineHeight = 2;
    constexpr double spacing = 4;
    const double columnHeight = 3 * lineHeight + 2 * spacing;
    const double left = centre.x() - 18.0 / 2;
    double top = centre.y() - columnHeight / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(teal, 0.55));
    for (const double width : widths) {
        painter.drawRoundedRect(QRectF(left, top, width, lineHeight), lineHeight / 2, lineHeight / 2);
        top += lineHeight + spacing;
    }
}

void paintBar(QPainter &painter, QPointF centre, double offset, const QColor &teal)
{
    const QRectF bar(centre.x() - 12.5, centre.y() + offset - 0.5, 25, 1);
    QPainterPath capsule;
    capsule.addRoundedRect(bar, 0.5, 0.5);
    SoftShadow::paint(painter, capsule, DesignTokens::withOpacity(TrovStyle::mint(), 0.5), 3);
    painter.fillPath(capsule, teal);
}

} // namespace

OrbitSpinner::OrbitSpinner(QWidget *parent) : GlyphView(parent)
{
}

OrbitSpinner::Frame OrbitSpinner::frameAt(double milliseconds, bool reduceMotion)
{
    Frame frame;
    if (reduceMotion) {
        frame.bar = false;
        return frame;
    }
    frame.arcDegrees = std::fmod(milliseconds, turnMs) / turnMs * 360;
    const double sweep = std::fmod(milliseconds, 2.0 * sweepMs) / sweepMs;
    const double there = sweep <= 1 ? sweep : 2 - sweep;
    frame.barOffset = -barTravel + 2 * barTravel * DesignTokens::easeInOut().valueForProgress(there);
    return frame;
}

void OrbitSpinner::paint(QPainter &painter, const QRectF &frame, const Frame &moment, bool dark)
{
    const QColor teal = TrovStyle::teal(dark);
    const QPointF centre = frame.center();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(DesignTokens::withOpacity(TrovStyle::mint(), 0.08));
    painter.drawEllipse(frame);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(DesignTokens::withOpacity(teal, 0.12), 1));
    painter.drawEllipse(frame.adjusted(0.5, 0.5, -0.5, -0.5));

    // The arc and its gradient turn together. The gradient runs clockwise
    // from the rightmost point, faint to bright; Qt's conical gradient runs
    // counter-clockwise, hence the stops from bright to faint.
    painter.save();
    painter.translate(centre);
    painter.rotate(moment.arcDegrees);
    QConicalGradient sweep(QPointF(0, 0), 0);
    sweep.setColorAt(0, teal);
    sweep.setColorAt(1, DesignTokens::withOpacity(teal, 0.15));
    const double radius = frame.width() / 2 - 1;
    const QRectF ring(-radius, -radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(ring, -arcStart * 360);
    arc.arcTo(ring, -arcStart * 360, -(arcEnd - arcStart) * 360);
    painter.setPen(QPen(QBrush(sweep), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(arc);
    painter.restore();

    paintTextLines(painter, centre, teal);
    if (moment.bar)
        paintBar(painter, centre, moment.barOffset, teal);
    painter.restore();
}

bool OrbitSpinner::isRunning() const
{
    return clock_ && clock_->state() == QAbstractAnimation::Running;
}

OrbitSpinner::Frame OrbitSpinner::currentFrame() const
{
    return frameAt(clock_ ? clock_->currentTime() : 0, still_);
}

void OrbitSpinner::paintGlyph(QPainter &painter, const QRectF &frame)
{
    paint(painter, frame, currentFrame(), environment().isDark());
}

void OrbitSpinner::showEvent(QShowEvent *event)
{
    GlyphView::showEvent(event);
    delete clock_.data();
    still_ = environment().reduceMotion();
    if (!still_) {
        auto *clock = new QVariantAnimation(this);
        clock->setStartValue(0);
        clock->setEndValue(commonPeriodMs);
        clock->setDuration(commonPeriodMs);
        clock->setLoopCount(-1);
        connect(clock, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
        clock_ = clock;
        clock->start();
    }
    update();
}

void OrbitSpinner::hideEvent(QHideEvent *event)
{
    delete clock_.data();
    GlyphView::hideEvent(event);
}

#include "support/design/PanelMaterial.h"

#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/SystemColours.h"
#include "support/design/TrovStyle.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

PanelMaterial::PanelMaterial(QWidget *parent, double radius) : QWidget(parent), radius_(radius)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void PanelMaterial::setRadius(double radius)
{
    radius_ = radius;
    picture_ = QImage();
    shapeWindow();
    update();
}

void PanelMaterial::setShapesWindow(bool shapes)
{
    shapesWindow_ = shapes;
    shapeWindow();
}

PanelMaterial::Options PanelMaterial::options() const
{
    const DesignEnvironment &environment = DesignEnvironment::of(this);
    return {environment.isDark(), environment.opaqueSurfaces(), environment.increaseContrast()};
}

void PanelMaterial::paint(QPainter &painter, const QRectF &frame, double radius, const Options &options)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor window = SystemColours::windowBackground(options.dark);
    QPainterPath shape;
    shape.addRoundedRect(frame, radius, radius);
    painter.fillPath(shape, DesignTokens::withOpacity(window, options.opaque ? 1 : baseOpacity));
    if (!options.opaque)
        painter.fillPath(shape, DesignTokens::withOpacity(window, blurOpacity));

    const double hairline = options.increaseContrast ? contrastHairlineOpacity : hairlineOpacity;
    painter.setPen(QPen(DesignTokens::withOpacity(SystemColours::label(options.dark), hairline), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);

    // The accent: a 1-point capsule along the top edge, fading out at both ends.
    const double width = frame.width() - 2 * radius;
    if (width > 0) {
        const QRectF accent(frame.left() + radius, frame.top(), width, 1);
        QLinearGradient fade(accent.topLeft(), accent.topRight());
        fade.setColorAt(0, Qt::transparent);
        fade.setColorAt(0.5, DesignTokens::withOpacity(TrovStyle::mint(), accentOpacity));
        fade.setColorAt(1, Qt::transparent);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fade);
        painter.drawRoundedRect(accent, 0.5, 0.5);
    }
    painter.restore();
}

QRegion PanelMaterial::shape(const QRect &frame, double radius)
{
    QPainterPath outline;
    outline.addRoundedRect(QRectF(frame), radius, radius);
    return QRegion(outline.toFillPolygon().toPolygon());
}

void PanelMaterial::paintEvent(QPaintEvent *)
{
    // The layers are drawn once for a size, a scale and a set of options,
    // then placed: a card repaints on every change of its content.
    const Options now = options();
    const qreal ratio = devicePixelRatioF();
    const bool stale = picture_.isNull() || picture_.deviceIndependentSize() != QSizeF(size()) ||
                       picture_.devicePixelRatio() != ratio || pictured_.dark != now.dark ||
                       pictured_.opaque != now.opaque || pictured_.increaseContrast != now.increaseContrast;
    if (stale) {
        picture_ = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        picture_.setDevicePixelRatio(ratio);
        picture_.fill(Qt::transparent);
        QPainter layers(&picture_);
        paint(layers, QRectF(rect()), radius_, now);
        pictured_ = now;
    }
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), picture_);
}

void PanelMaterial::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    shapeWindow();
}

void PanelMaterial::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    shapeWindow();
}

void PanelMaterial::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    DesignEnvironment::of(this).repaintOnChange(this);
    shapeWindow();
}

void PanelMaterial::shapeWindow()
{
    if (!shapesWindow_ || !isVisible())
        return;
    QWidget *host = window();
    if (DesignEnvironment::of(this).hasCompositor()) {
        if (!host->mask().isEmpty())
            host->clearMask();
        return;
    }
    host->setMask(shape(QRect(mapTo(host, QPoint(0, 0)), size()), radius_));
}

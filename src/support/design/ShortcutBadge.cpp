#include "support/design/ShortcutBadge.h"

#include "support/design/DesignAccessibility.h"
#include "support/design/DesignEnvironment.h"
#include "support/design/DesignTokens.h"
#include "support/design/Surface.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

constexpr double horizontalPadding = 8;
constexpr double verticalPadding = 4;
constexpr double radius = DesignTokens::keyCapRadius;

} // namespace

ShortcutBadge::ShortcutBadge(const QString &label, QWidget *parent) : QWidget(parent), label_(label)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // A key cap is read like any other text: its label.
    DesignAccessibility::markAsText(*this);
    setAccessibleName(label_);
}

void ShortcutBadge::setLabel(const QString &label)
{
    label_ = label;
    setAccessibleName(label_);
    updateGeometry();
    update();
}

QFont ShortcutBadge::font()
{
    return DesignTokens::font(DesignTokens::FontRole::keyCap);
}

QSizeF ShortcutBadge::sizeFor(const QString &label)
{
    const QFontMetricsF metrics(font());
    return QSizeF(metrics.horizontalAdvance(label) + 2 * horizontalPadding, metrics.height() + 2 * verticalPadding);
}

QSize ShortcutBadge::sizeHint() const
{
    const QSizeF size = sizeFor(label_);
    return QSize(int(std::ceil(size.width())), int(std::ceil(size.height())));
}

void ShortcutBadge::paint(QPainter &painter, const QRectF &frame, const QString &label, const QColor &primary,
                          const QColor &secondary)
{
    Surface::paintCard(painter, frame, radius, primary, 0.045, 0.12);
    painter.save();
    painter.setFont(font());
    painter.setPen(secondary);
    painter.drawText(frame, Qt::AlignCenter, label);
    painter.restore();
}

void ShortcutBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QSizeF size = sizeFor(label_);
    const QRectF frame(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    const DesignEnvironment &environment = DesignEnvironment::of(this);
    paint(painter, frame, label_, environment.ink(SystemColours::Ink::primary),
          environment.ink(SystemColours::Ink::secondary));
}

#include "support/design/ShadowUnderlay.h"

#include "support/design/DesignAccessibility.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

ShadowUnderlay::ShadowUnderlay(QWidget &target, QMarginsF reach, Painter paint)
    : QWidget(target.parentWidget()), target_(&target), reach_(reach), paint_(std::move(paint))
{
    Q_ASSERT(target.parentWidget());
    DesignAccessibility::hide(*this);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    target.installEventFilter(this);
    // Deleted at once, so that no paint can run after its target has gone; a
    // parent tearing down both clears the guard first.
    connect(&target, &QObject::destroyed, this, [guard = QPointer<ShadowUnderlay>(this)] { delete guard.data(); });
    follow();
}

void ShadowUnderlay::setReach(QMarginsF reach)
{
    reach_ = reach;
    follow();
    update();
}

bool ShadowUnderlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == target_) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ZOrderChange:
            follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ShadowUnderlay::follow()
{
    if (!target_)
        return;
    const QMargins whole(int(std::ceil(reach_.left())), int(std::ceil(reach_.top())), int(std::ceil(reach_.right())),
                         int(std::ceil(reach_.bottom())));
    setGeometry(target_->geometry().marginsAdded(whole));
    setVisible(target_->isVisibleTo(parentWidget()));
    stackUnder(target_);
}

void ShadowUnderlay::paintEvent(QPaintEvent *)
{
    if (!target_ || !paint_)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(std::ceil(reach_.left()), std::ceil(reach_.top()));
    paint_(painter);
}

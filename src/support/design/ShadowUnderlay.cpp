#include "support/design/ShadowUnderlay.h"

#include "support/design/DesignAccessibility.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

ShadowUnderlay::ShadowUnderlay(QWidget &target, QWidget &host, QMarginsF reach, Painter paint)
    : QWidget(&host), target_(&target), reach_(reach), paint_(std::move(paint))
{
    Q_ASSERT(host.isAncestorOf(&target));
    DesignAccessibility::hide(*this);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    // The target and every widget between it and the host move it.
    for (QWidget *at = &target; at && at != &host; at = at->parentWidget()) {
        path_.append(at);
        at->installEventFilter(this);
    }
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
    return QWidget::eventFilter(watched, event);
}

QWidget *ShadowUnderlay::branch() const
{
    return path_.isEmpty() ? nullptr : path_.last().data();
}

void ShadowUnderlay::follow()
{
    QWidget *host = parentWidget();
    QWidget *under = branch();
    if (!target_ || !host || !under)
        return;
    const QMargins whole(int(std::ceil(reach_.left())), int(std::ceil(reach_.top())), int(std::ceil(reach_.right())),
                         int(std::ceil(reach_.bottom())));
    setGeometry(QRect(target_->mapTo(host, QPoint(0, 0)), target_->size()).marginsAdded(whole));
    setVisible(target_->isVisibleTo(host));
    stackUnder(under);
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

#include "support/design/AnimatedButton.h"

#include "support/design/DesignTokens.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QVariantAnimation>

AnimatedButton::AnimatedButton(int hoverMs, int pressMs, QWidget *parent) : QAbstractButton(parent)
{
    hover_.milliseconds = hoverMs;
    press_.milliseconds = pressMs;
    setAttribute(Qt::WA_Hover);
    // Only the keyboard moves the focus to a button: a click leaves it where
    // it was, so Return keeps meaning what the user last chose with the keys.
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::pressed, this, [this] { fade(press_, 1, environment().reduceMotion()); });
    connect(this, &QAbstractButton::released, this, [this] { fade(press_, 0, environment().reduceMotion()); });
}

bool AnimatedButton::isAnimating() const
{
    const auto running = [](const Fade &fade) {
        return fade.animation && fade.animation->state() == QAbstractAnimation::Running;
    };
    return running(hover_) || running(press_);
}

void AnimatedButton::paintFocusRing(QPainter &painter, double radius) const
{
    if (!showsFocusRing())
        return;
    painter.setPen(QPen(environment().ink(SystemColours::Ink::teal), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius - 1, radius - 1);
}

void AnimatedButton::lookChanged()
{
    update();
}

bool AnimatedButton::event(QEvent *event)
{
    // Hover events reach a disabled widget too, unlike mouse events.
    switch (event->type()) {
    case QEvent::HoverEnter:
        setHovered(true);
        break;
    case QEvent::HoverLeave:
        setHovered(false);
        break;
    case QEvent::EnabledChange:
        lookChanged();
        break;
    default:
        break;
    }
    return QAbstractButton::event(event);
}

void AnimatedButton::keyPressEvent(QKeyEvent *event)
{
    const bool activates = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (!activates || modifiers != Qt::NoModifier) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat() && isEnabled())
        click();
}

void AnimatedButton::focusInEvent(QFocusEvent *event)
{
    keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void AnimatedButton::focusOutEvent(QFocusEvent *event)
{
    keyboardFocus_ = false;
    QAbstractButton::focusOutEvent(event);
}

void AnimatedButton::hideEvent(QHideEvent *event)
{
    // A hidden button is not under the pointer, and nothing of it animates.
    setHovered(false);
    fade(press_, isDown() ? 1 : 0, true);
    fade(hover_, 0, true);
    QAbstractButton::hideEvent(event);
}

void AnimatedButton::setHovered(bool hovered)
{
    if (hovered_ == hovered)
        return;
    hovered_ = hovered;
    fade(hover_, hovered ? 1 : 0, false);
}

void AnimatedButton::fade(Fade &fade, double target, bool instantly)
{
    if (fade.animation)
        fade.animation->stop();
    if (instantly || fade.value == target) {
        fade.value = target;
        lookChanged();
        return;
    }
    if (!fade.animation) {
        fade.animation = new QVariantAnimation(this);
        fade.animation->setEasingCurve(DesignTokens::easeOut());
        fade.animation->setDuration(fade.milliseconds);
        Fade *fading = &fade;
        connect(fade.animation, &QVariantAnimation::valueChanged, this, [this, fading](const QVariant &value) {
            fading->value = value.toDouble();
            lookChanged();
        });
    }
    fade.animation->setStartValue(fade.value);
    fade.animation->setEndValue(target);
    fade.animation->start();
}

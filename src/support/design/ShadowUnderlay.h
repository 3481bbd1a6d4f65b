#pragma once

#include <QList>
#include <QMarginsF>
#include <QPointer>
#include <QWidget>

#include <functional>

// A shadow that reaches beyond the widget casting it. A widget cannot paint
// outside its own rectangle, so the shadow lives in a widget of its own in
// `host` (the target's parent or a further ancestor, with room around the
// target), stacked right under the host's child that holds the target, grown
// by the shadow's reach on every side and following the target's place and
// visibility. It takes no input and is invisible to assistive technologies.
// The target calls update() when its shadow changes.
class ShadowUnderlay : public QWidget {
    Q_OBJECT
public:
    // Paints the shadow with the painter's origin at the target's top-left.
    using Painter = std::function<void(QPainter &painter)>;

    // `host` must be an ancestor of `target`; the underlay goes with the target.
    ShadowUnderlay(QWidget &target, QWidget &host, QMarginsF reach, Painter paint);

    void setReach(QMarginsF reach);
    QMarginsF reach() const { return reach_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void follow();
    // The host's child on the way to the target (the target itself when the host is its parent).
    QWidget *branch() const;

    QPointer<QWidget> target_;
    QList<QPointer<QWidget>> path_;
    QMarginsF reach_;
    Painter paint_;
};

#pragma once

#include <QMarginsF>
#include <QPointer>
#include <QWidget>

#include <functional>

// A shadow that reaches beyond the widget casting it. A widget cannot paint
// outside its own rectangle, so the shadow lives in a sibling stacked right
// under the target, grown by the shadow's reach on every side, following the
// target's geometry and visibility. It takes no input and is invisible to
// assistive technologies. The target calls update() when its shadow changes.
class ShadowUnderlay : public QWidget {
    Q_OBJECT
public:
    // Paints the shadow with the painter's origin at the target's top-left.
    using Painter = std::function<void(QPainter &painter)>;

    // `target` must have a parent widget; the underlay goes with the target.
    ShadowUnderlay(QWidget &target, QMarginsF reach, Painter paint);

    void setReach(QMarginsF reach);
    QMarginsF reach() const { return reach_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void follow();

    QPointer<QWidget> target_;
    QMarginsF reach_;
    Painter paint_;
};

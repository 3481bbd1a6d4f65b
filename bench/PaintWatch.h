#pragma once

#include <QEvent>
#include <QPointer>
#include <QWidget>

// Whether a widget has been painted since the watch began.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget &widget) : widget_(&widget) { widget.installEventFilter(this); }
    ~PaintWatch() override
    {
        if (widget_)
            widget_->removeEventFilter(this);
    }

    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }

private:
    QPointer<QWidget> widget_;
};

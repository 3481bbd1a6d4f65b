#pragma once

#include "support/design/SystemColours.h"

#include <QWidget>

// A small disc in an ink, resolved when it is painted: a state at a glance
// beside the text that says it. Decorative: invisible to assistive
// technologies.
class StatusDot : public QWidget {
    Q_OBJECT
public:
    StatusDot(int side, SystemColours::Ink ink, QWidget *parent = nullptr);

    SystemColours::Ink ink() const { return ink_; }
    void setInk(SystemColours::Ink ink, double opacity = 1);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    SystemColours::Ink ink_;
    double opacity_ = 1;
};

#pragma once

#include <QWidget>

// A one-point hairline in the separator colour at a given opacity, as wide as
// its container offers. Decorative: invisible to assistive technologies.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(double opacity, QWidget *parent = nullptr);

    double opacity() const { return opacity_; }

    QSize sizeHint() const override { return QSize(1, 1); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double opacity_;
};

#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>

class QPainter;

// A padded card around any content: 16 on every side, a faint fill and a
// hairline border inside the padding, in the primary foreground colour. It
// changes nothing of the content's accessibility.
class Surface : public QWidget {
    Q_OBJECT
public:
    static constexpr int padding = 16;
    static constexpr double fillOpacity = 0.035;
    static constexpr double borderOpacity = 0.065;

    // Takes `content` as its child.
    explicit Surface(QWidget *content, QWidget *parent = nullptr);

    QWidget *content() const { return content_; }

    // A rounded rectangle filled, then outlined with a 1-point line inside its
    // edge, both in `primary` at their opacities: the card's look, for a
    // field of another radius or weight.
    static void paintField(QPainter &painter, const QRectF &frame, double radius, const QColor &primary,
                           double fillOpacity, double borderOpacity);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *content_;
};

#pragma once

#include <QWidget>

// The application's glyph: a rounded square in the brand gradient with a white
// text-viewfinder symbol. Decorative: invisible to assistive technologies.
class TrovMark : public QWidget {
    Q_OBJECT
public:
    explicit TrovMark(qreal size = 42, QWidget *parent = nullptr);

    qreal markSize() const { return size_; }
    void setMarkSize(qreal size);

    qreal cornerRadius() const;
    qreal symbolSize() const { return size_ * 0.57; }

    QSize sizeHint() const override;
    // Draws the glyph into a square of side `size` at `topLeft`.
    static void paint(QPainter &painter, QPointF topLeft, qreal size);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal size_;
};

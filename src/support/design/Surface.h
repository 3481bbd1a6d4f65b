#pragma once

#include <QList>
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

    // A card of the primary foreground colour: a rounded fill and, when its
    // opacity is above zero, a 1-point border inside the edge, solid or in
    // `dashes` (lengths drawn and left open, in points).
    static void paintCard(QPainter &painter, const QRectF &frame, double radius, const QColor &primary,
                          double fillOpacity, double borderOpacity, const QList<qreal> &dashes = {});

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *content_;
};

#pragma once

#include <QWidget>

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

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *content_;
};

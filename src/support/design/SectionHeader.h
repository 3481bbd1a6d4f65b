#pragma once

#include <QWidget>

// The small capitals over a section of a list ("PINNED", "RECENT"): 9 px
// semibold, tracked 1.4, in the secondary style, shown verbatim on one line,
// with an optional space above. Read by assistive technologies as its text.
class SectionHeader : public QWidget {
    Q_OBJECT
public:
    explicit SectionHeader(const QString &title, QWidget *parent = nullptr);

    QString title() const { return title_; }
    void setTitle(const QString &title);
    int topPadding() const { return topPadding_; }
    void setTopPadding(int padding);

    static QFont font();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString title_;
    int topPadding_ = 0;
};

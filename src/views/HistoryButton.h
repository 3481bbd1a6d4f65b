#pragma once

#include "support/design/AnimatedButton.h"
#include "support/design/QuietButtonStyle.h"

class ClampedLabel;

// The menu-bar panel's way to the clipboard history, a button in
// QuietButtonStyle as wide as the panel: "Clipboard history" with its symbol,
// then at the far end how many items are saved (nothing while there are none)
// and an arrow that says it opens a window. The count is the child named
// "historyCount".
class HistoryButton : public AnimatedButton {
    Q_OBJECT
public:
    static const QString title;

    explicit HistoryButton(QWidget *parent = nullptr);

    // Zero hides the count.
    void setCount(qsizetype count);
    qsizetype count() const { return count_; }

    QuietButtonStyle::Look look() const { return currentLook<QuietButtonStyle>(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeCount();

    qsizetype count_ = 0;
    ClampedLabel *countLabel_;
};

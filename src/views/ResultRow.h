#pragma once

#include "models/CaptureResult.h"
#include "support/design/AnimatedButton.h"
#include "support/design/QuietButtonStyle.h"

// One kept capture in the menu-bar panel's card, a button in QuietButtonStyle
// as wide as the card: the text's symbol, the text (at most two lines) above
// its word count, engine and timing, and an arrow that says it opens. Its
// height follows its width.
class ResultRow : public AnimatedButton {
    Q_OBJECT
public:
    explicit ResultRow(const CaptureResult &result, QWidget *parent = nullptr);

    const CaptureResult &result() const { return result_; }
    // "3 words · Apple Vision · 345 ms": always "words", 1 included.
    static QString detailLine(const CaptureResult &result);
    // The text as the row shows it at this width.
    QStringList displayedLines() const;

    QuietButtonStyle::Look look() const { return currentLook<QuietButtonStyle>(); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The text column's width in a row of this width.
    double textWidth(int rowWidth) const;

    CaptureResult result_;
    QString detail_;
};

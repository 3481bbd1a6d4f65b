#pragma once

#include "support/design/AnimatedButton.h"
#include "support/design/QuietButtonStyle.h"
#include "support/design/SystemColours.h"

// A secondary action in QuietButtonStyle: its label (an optional symbol before
// the text) plus 20 wide and 12 high, never stretched, pressed anywhere in its
// rounded rectangle. The label takes `ink`, by default the primary
// foreground; a button that shows a symbol carries its name in the `symbol`
// property.
class QuietButton : public AnimatedButton {
    Q_OBJECT
public:
    explicit QuietButton(const QString &text, QWidget *parent = nullptr);

    void setSymbol(const QString &symbol);
    QString symbol() const { return symbol_; }
    void setInk(SystemColours::Ink ink);
    SystemColours::Ink ink() const { return ink_; }

    QuietButtonStyle::Look look() const { return currentLook<QuietButtonStyle>(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString symbol_;
    SystemColours::Ink ink_ = SystemColours::Ink::primary;
};

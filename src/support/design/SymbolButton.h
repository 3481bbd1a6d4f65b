#pragma once

#include "support/design/AnimatedButton.h"
#include "support/design/SystemColours.h"

// An icon-only button in the plain style: the symbol alone in a small square,
// dimmed while pressed. It carries its symbol's name in the `symbol` property;
// give it a tooltip and an accessible name, as every icon-only button needs.
class SymbolButton : public AnimatedButton {
    Q_OBJECT
public:
    // `side` is the square frame; `symbolSide` the symbol's box inside it.
    SymbolButton(const QString &symbol, double side, double symbolSide, QWidget *parent = nullptr);

    QString symbol() const { return symbol_; }
    void setSymbol(const QString &symbol);
    void setInk(SystemColours::Ink ink);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString symbol_;
    double side_;
    double symbolSide_;
    SystemColours::Ink ink_ = SystemColours::Ink::secondary;
};

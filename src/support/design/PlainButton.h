#pragma once

#include "support/design/AnimatedButton.h"
#include "support/design/SystemColours.h"

#include <QFont>

// A button in the plain style: its label alone (an optional symbol before the
// text), with no fill or border, in a face and an ink; dimmed while held and
// faded while disabled. For links ("Try a practice trov"), quiet header
// actions ("Clear all") and footers. A button that shows a symbol carries its
// name in the `symbol` property.
class PlainButton : public AnimatedButton {
    Q_OBJECT
public:
    static constexpr double pressedOpacity = 0.6;
    static constexpr double disabledOpacity = 0.45;

    PlainButton(const QString &text, const QFont &font, SystemColours::Ink ink, QWidget *parent = nullptr);

    void setSymbol(const QString &symbol);
    QString symbol() const { return symbol_; }
    void setInk(SystemColours::Ink ink);
    SystemColours::Ink ink() const { return ink_; }
    QFont labelFont() const { return font_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double symbolSide() const;
    double symbolGap() const;

    QString symbol_;
    QFont font_;
    SystemColours::Ink ink_;
};

#pragma once

#include "support/design/AnimatedButton.h"
#include "support/design/SystemColours.h"

#include <QFont>

// A text button in the plain style: its label alone, no fill or border, in a
// face and an ink; dimmed while held and while disabled. For links ("Try a
// practice trov") and quiet header actions ("Clear all").
class PlainButton : public AnimatedButton {
    Q_OBJECT
public:
    static constexpr double pressedOpacity = 0.6;
    static constexpr double disabledOpacity = 0.45;

    PlainButton(const QString &text, const QFont &font, SystemColours::Ink ink, QWidget *parent = nullptr);

    SystemColours::Ink ink() const { return ink_; }
    void setInk(SystemColours::Ink ink);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QFont font_;
    SystemColours::Ink ink_;
};

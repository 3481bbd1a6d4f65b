#pragma once

#include "support/design/DesignEnvironment.h"

#include <QAbstractButton>

class QPainter;
class QVariantAnimation;

// What the design system's buttons share: the pointer's hover, tracked over
// the whole button and also while it is disabled, and the press, each eased
// between rest (0) and full (1) over its own duration. A press is not animated
// under Reduce Motion (read when the press starts); hover fades always are.
class AnimatedButton : public QAbstractButton {
    Q_OBJECT
public:
    bool isHovered() const { return hovered_; }
    double hoverShare() const { return hover_.value; }
    double pressShare() const { return press_.value; }
    bool isAnimating() const;

protected:
    AnimatedButton(int hoverMs, int pressMs, QWidget *parent);

    DesignEnvironment &environment() const { return DesignEnvironment::of(this); }
    // Whether focus came from the keyboard, so a focus ring is due.
    bool showsFocusRing() const { return hasFocus() && keyboardFocus_; }
    // When due, the focus ring of a button drawn as a rounded rectangle of
    // `radius`: a 2-point teal line just inside its edge, in the painter's
    // current transform and opacity.
    void paintFocusRing(QPainter &painter, double radius) const;

    // The look of a style for the current hover and press shares: the four
    // looks of (hovered, pressed) mixed by the two shares.
    template <typename Style>
    typename Style::Look currentLook() const
    {
        const bool enabled = isEnabled();
        const bool still = environment().reduceMotion();
        const auto resting = Style::mix(Style::look(false, false, enabled, still),
                                        Style::look(true, false, enabled, still), hover_.value);
        const auto held =
            Style::mix(Style::look(false, true, enabled, still), Style::look(true, true, enabled, still), hover_.value);
        return Style::mix(resting, held, press_.value);
    }

    // Called whenever the look changes (a fade step, a state change).
    virtual void lookChanged();

    bool event(QEvent *event) override;
    // Return and Enter press the focused button, as Space does.
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Fade {
        QVariantAnimation *animation = nullptr;
        double value = 0;
        int milliseconds = 0;
    };

    void setHovered(bool hovered);
    void fade(Fade &fade, double target, bool instantly);

    bool hovered_ = false;
    bool keyboardFocus_ = false;
    Fade hover_;
    Fade press_;
};

#pragma once

#include <QPalette>

class QWidget;

// The colours the design environment's appearance gives the stock Qt widgets
// a view uses (text editors, check boxes, push buttons): the desktop's
// palette often disagrees with its colour scheme, and the design system
// draws its own components from the appearance, not the palette.
class DesignPalette {
public:
    DesignPalette() = delete;

    static QPalette forAppearance(bool dark);
    // The opaque colour a translucent `colour` shows as over `ground`: the
    // stock styles shade their controls from a colour and drop its alpha.
    static QColor shownOver(const QColor &ground, const QColor &colour);
    // Gives `root` (and so what it contains) the palette of the environment
    // it reads, now and whenever the environment changes. Call again when the
    // widget has moved into another environment (once it is shown, say).
    static void follow(QWidget &root);
};

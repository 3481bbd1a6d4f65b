#pragma once

#include <QPalette>

class QWidget;

// The widget palette of the standard controls (tabs, pop-up buttons, check
// boxes, fields, text editors, push buttons, dialogs) inside our windows,
// from the appearance the design system reads: on Linux the desktop's widget
// palette often disagrees with its colour scheme, and the design system
// draws its own components from the appearance, not the palette.
class DesignPalette {
public:
    DesignPalette() = delete;

    static QPalette of(bool dark);
    // The opaque colour a translucent `colour` shows as over `ground`: the
    // stock styles shade their controls from a colour and drop its alpha.
    static QColor shownOver(const QColor &ground, const QColor &colour);

    // Gives `root` and its children the palette of their design environment's
    // appearance and its window background: at once, each time `root` is
    // shown or moves to another parent, and whenever that environment
    // changes. Calling it again for the same widget changes nothing.
    static void follow(QWidget &root);
    // Gives the application the palette of the standard environment's
    // appearance, now and whenever it changes: menus, drop-down lists and
    // dialogs outside our windows take the application's palette, not
    // their parent's.
    static void followApplication();
};

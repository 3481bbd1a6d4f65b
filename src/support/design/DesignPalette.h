#pragma once

#include <QPalette>

class QWidget;

// The widget palette of the standard controls (tabs, pop-up buttons, check
// boxes, fields, push buttons) inside our windows, from the appearance the
// design system reads: on Linux the desktop's widget palette often disagrees
// with its colour scheme.
class DesignPalette {
public:
    DesignPalette() = delete;

    static QPalette of(bool dark);

    // Gives `root` and its children the palette of their design environment's
    // appearance and its window background: at once, each time `root` is
    // shown, and whenever that environment changes.
    static void follow(QWidget &root);
};

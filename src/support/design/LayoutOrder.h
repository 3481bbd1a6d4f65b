#pragma once

#include <QList>

class QWidget;

// The order a window is read and tabbed through: the order of its layouts,
// top to bottom and leading to trailing, whatever order the widgets were
// made in. Assistive technologies see a container's children in this order,
// and Tab moves through the focusable widgets in it.
class LayoutOrder {
public:
    LayoutOrder() = delete;

    // The child widgets of `container` in reading order: those its layout
    // places, in the layout's order (nested layouts read in place, a grid row
    // by row), then the rest by their position, top to bottom and left to right.
    static QList<QWidget *> children(const QWidget &container);

    // Every widget under `root` that Tab may stop at, in reading order.
    static QList<QWidget *> tabStops(const QWidget &root);

    // Moves the keyboard focus to the next (or previous) tab stop under
    // `root`, wrapping round at the ends; false when there is none. A move that
    // does not come from the keyboard (the focused widget was hidden or
    // disabled) is reported as such, so that no focus ring appears for it.
    static bool moveFocus(QWidget &root, bool next);
};

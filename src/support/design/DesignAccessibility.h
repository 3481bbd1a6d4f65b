#pragma once

class QWidget;

// How the design system's own widgets appear to assistive technologies. A
// mark counts from the moment it is made, whether or not the widget's
// accessible element exists yet; a reader that already looked is not told,
// so marks belong before the widget is first shown.
class DesignAccessibility {
public:
    DesignAccessibility() = delete;

    // What a top-level window is to assistive technologies.
    enum class WindowKind { frame, dialog, alert };

    // Makes plain containers read their children in layout order and windows
    // report a window role with their title. Idempotent; must come after the
    // QApplication is made (whose own factory would otherwise be asked first)
    // and before anything asks for an accessible interface.
    static void install();
    static void setWindowKind(QWidget &window, WindowKind kind);

    // Decorative: neither the element nor its contents are announced.
    static void hide(QWidget &widget);
    // Static text, read as the widget's accessible name.
    static void markAsText(QWidget &widget);
    // One element that contains its children, which stay reachable one by one.
    static void markAsGroup(QWidget &widget);
    // A decorative picture read as one element with its accessible name as
    // its label; whatever it contains is not announced.
    static void markAsPicture(QWidget &widget);

    static bool isHidden(const QWidget &widget);
};

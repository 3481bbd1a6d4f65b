#pragma once

#include <QColor>

// The semantic colours of the desktop for a light or a dark appearance: the
// window background, the label styles and the warning orange. They follow the
// appearance the design system reads, not the widget palette, which on Linux
// often disagrees with the desktop's colour scheme.
class SystemColours {
public:
    SystemColours() = delete;

    // What a component asks for, resolved at paint time.
    enum class Ink { primary, secondary, tertiary, teal, mint, orange, white };

    static QColor windowBackground(bool dark);
    // The primary (first-level) foreground style.
    static QColor label(bool dark);
    // The secondary (second-level) foreground style.
    static QColor secondaryLabel(bool dark);
    // The tertiary (third-level) foreground style: glyphs that only hint.
    static QColor tertiaryLabel(bool dark);
    static QColor orange(bool dark);
    // A divider line.
    static QColor separator(bool dark);

    static QColor ink(Ink ink, bool dark);
};

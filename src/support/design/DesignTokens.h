#pragma once

#include <QColor>
#include <QEasingCurve>
#include <QFont>

// The measures every view shares: the faces by role at the pixel sizes the
// interface uses, colour with opacity, corner radii, durations and curves.
// Components name these instead of restating numbers.
class DesignTokens {
public:
    DesignTokens() = delete;

    enum class FontRole {
        eyebrow,       // 9 px semibold, tracked 1.3: the small capitals above a card's title
        cardTitle,     // 18 px semibold: a card's title
        body,          // 11 px regular: subtitles and row texts
        rowLabel,      // 11 px regular: the texts of an action row
        footnote,      // 10 px medium: footnotes
        caption,       // 10 px regular: a small label beside its symbol
        captureButton, // 13 px semibold
        quietButton,   // 11 px medium
        keyCap,        // 11 px medium, monospaced
        hintHeadline,  // 13 px semibold: the selection hint card's headline
        hintSubline,   // 10 px regular
        hintKeys,      // 10 px medium: the key hints under the hint card
        sizeBadge,     // 11 px medium: the selection's size
    };

    static QFont font(FontRole role);
    // The desktop's interface face at a logical pixel size, its letters
    // `tracking` pixels further apart (closer when negative).
    static QFont uiFont(int pixelSize, QFont::Weight weight = QFont::Normal, double tracking = 0);
    // The desktop's fixed-pitch face ("monospace" is fontconfig's alias for it).
    static QFont monospaceFont(int pixelSize, QFont::Weight weight);

    // `font`, its pixel size lowered step by step (never below `smallest`)
    // until each of `lines` fits in `width`: for a display text drawn for a
    // narrower face than the desktop's, so it keeps its line breaks.
    static QFont fitted(QFont font, const QStringList &lines, double width, int smallest);

    // `colour` with its alpha multiplied by `opacity`.
    static QColor withOpacity(QColor colour, double opacity);

    // Corner radii, in logical pixels.
    static constexpr double panelRadius = 22;
    static constexpr double hintCardRadius = 20;
    static constexpr double surfaceRadius = 16;
    static constexpr double captureButtonRadius = 13;
    static constexpr double sizeBadgeRadius = 10;
    static constexpr double quietButtonRadius = 8;
    static constexpr double keyCapRadius = 6;
    // The app glyph rounds its square by this share of its side.
    static constexpr double markRadiusShare = 0.28;

    // Durations, in milliseconds.
    static constexpr int captureHoverMs = 140;
    static constexpr int capturePressMs = 260;
    static constexpr int quietHoverMs = 130;
    static constexpr int quietPressMs = 130;
    static constexpr int cardChangeMs = 340;
    static constexpr int crossFadeMs = 200;

    // The platform's standard curves: ease-out and ease-in-out as cubic Béziers.
    static QEasingCurve easeOut();
    static QEasingCurve easeInOut();
};

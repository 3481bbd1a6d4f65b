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
        eyebrow,             // 9 px semibold, tracked 1.3: the small capitals above a card's title
        sectionHeader,       // 9 px semibold, tracked 1.4: a list section's capitals
        cardTitle,           // 18 px semibold: a card's title
        windowTitle,         // 20 px semibold: the headline of a window's header
        tabTitle,            // 17 px semibold: the headline of a settings tab
        panelTitle,          // 16 px semibold: the title of the panel and of the history window
        subtitle,            // 12 px regular: the line under a window's headline
        body,                // 11 px regular: subtitles, row texts, notes and plain links
        rowLabel,            // 11 px regular: the texts of an action row
        emphasis,            // 12 px medium: an empty state's or a drop zone's headline, a status line
        link,                // 11 px medium: a link that leads somewhere
        rowText,             // 12 px regular: the text of a kept capture or a history item
        rowDetail,           // 10 px regular: the line under a row's text
        control,             // 13 px regular: settings' controls, the search field, the result's buttons
        smallControl,        // 10 px regular: a small secondary control (Clear, a check box)
        footnote,            // 10 px medium: footnotes
        caption,             // 10 px regular: a small label beside its symbol
        editor,              // 14 px regular: the result's editable text
        captureButton,       // 13 px semibold
        quietButton,         // 11 px medium
        chip,                // 11 px medium: an engine chip
        keyCap,              // 11 px medium, monospaced
        path,                // 11 px regular, monospaced: a file path being typed
        stepNumber,          // 10 px semibold, monospaced: a welcome step's number
        stepTitle,           // 12 px semibold: a welcome step's title
        showcaseEyebrow,     // 8 px semibold, tracked 1.4: the capitals over the welcome showcase
        reminder,            // 13 px medium: the shortcut reminder under the showcase
        brand,               // 15 px semibold: the name beside the mark
        welcomeHeadline,     // 34 px semibold, tracked -1.1
        welcomeSubline,      // 13 px regular
        illustrationCaption, // 7 px semibold, tracked 1.1: the illustration's small capitals
        illustrationText,    // 10 px regular: the illustration's recognised line
        illustrationSample,  // 21 px medium, serif: the words on the illustration's sheet
        practiceEyebrow,     // 11 px semibold: the practice picture's capitals
        practiceHeadline,    // 32 px medium
        practiceSubline,     // 14 px regular
        hintHeadline,        // 13 px semibold: the selection hint card's headline
        hintSubline,         // 10 px regular
        hintKeys,            // 10 px medium: the key hints under the hint card
        sizeBadge,           // 11 px medium: the selection's size (the last role)
    };

    // The desktop's interface face (or its fixed-pitch or serif face, for
    // the roles that say so) at the role's logical pixel size.
    static QFont font(FontRole role);

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

private:
    // The desktop's interface face at a logical pixel size, its letters
    // `tracking` pixels further apart (closer when negative).
    static QFont uiFont(int pixelSize, QFont::Weight weight, double tracking = 0);
    // The desktop's fixed-pitch face ("monospace" is fontconfig's alias for it).
    static QFont monospaceFont(int pixelSize, QFont::Weight weight);
    // The desktop's serif face.
    static QFont serifFont(int pixelSize, QFont::Weight weight);
};

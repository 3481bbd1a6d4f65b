#pragma once

#include "services/ScreenWord.h"

#include <QString>

#include <vector>

// What a screen shows besides text, and what screen fonts make likely, applied
// to one recognised line: window buttons, icons, bullets, arrows and the edges
// of frames are left out instead of being read as junk letters; a few readings
// the picture contradicts ("Ctri+", a caret read as "|", "^" as "A", a
// straight quote paired with a curly one) become the character it shows.
class ScreenTextCleanup {
public:
    // The line's text: its words without marks, each read as a screen font
    // draws it, joined by one space. A crop's first line may be a window's
    // title bar, with the window's buttons at its ends.
    static QString line(const std::vector<ScreenWord> &words, bool firstLine = false);

    // A mark that is not text: a doubted square glyph without letters (a
    // bullet, a speck, a checkbox) or, next to the line's text, an icon-sized
    // square read as letters, a bar taller than the text (a frame's edge) or
    // an arrow.
    static bool isMark(const ScreenWord &word, int lineCapitalHeight);

    // A window button ("[5]", "(x)", "x)"): as wide as tall, taller than the
    // title's capitals, holding at most one letter or digit.
    static bool isWindowButton(const ScreenWord &word, int lineCapitalHeight);

    // The word with the readings a screen font makes likelier; its glyphs'
    // boxes tell a text field's caret after it from a bar "|".
    static QString withScreenFontReadings(const ScreenWord &word);

    // A pair of quotes of which one is straight and the other curly is drawn
    // straight: no font mixes them inside one quotation.
    static QString withMatchingQuotes(const QString &line);
};

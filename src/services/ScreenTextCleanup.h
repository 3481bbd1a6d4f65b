#pragma once

#include "services/ScreenWord.h"

#include <QString>

#include <vector>

// What a screen shows besides text, and what screen fonts make likely, applied
// to one recognised line: window buttons, icons, bullets, arrows and the edges
// of frames are left out instead of being read as junk letters; a few readings
// no screen font makes ("Ctri+", "|" inside a word, a straight quote paired
// with a curly one) become the character the picture shows.
class ScreenTextCleanup {
public:
    // The line's text: its words without marks, each read as a screen font
    // draws it, joined by one space.
    static QString line(const std::vector<ScreenWord> &words);

    // A mark that is not text: next to the line's text it is an icon-sized
    // square, a bar taller than the text (a frame's edge), an arrow, or a
    // glyph the recogniser doubted that holds at most one letter or digit.
    static bool isMark(const ScreenWord &word, int lineCapitalHeight);

    // The word with the readings a screen font makes likelier.
    static QString withScreenFontReadings(const QString &word);

    // A pair of quotes of which one is straight and the other curly is drawn
    // straight: no font mixes them inside one quotation.
    static QString withMatchingQuotes(const QString &line);
};

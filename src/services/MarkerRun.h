#pragma once

#include "services/ScreenWord.h"

#include <QImage>
#include <QString>

// The marks a compiler draws under the code it means: a run of "~" under
// each operand and a "^" at the operator. Terminal fonts draw "~" as a thin
// wave that joins its neighbours, and Tesseract reads a run of them as a
// flat word of junk letters ("men"); the ink says what the marks are.
class MarkerRun {
public:
    // Whether the recogniser's word may be such marks: doubted, no taller
    // than the page's letters, holding a glyph far wider than any letter or
    // only glyphs flatter than one.
    static bool couldBe(const ScreenWord &word, int pageCapitalHeight, int cellWidth);

    // The marks in `ink` (the word's box of the binarised page, ink dark on
    // light), one character a `cellWidth` wide: "~~~~ ^ ~~~", or nothing
    // when the ink holds anything else (a straight rule, letters).
    static QString read(const QImage &ink, int cellWidth, int pageCapitalHeight);
};

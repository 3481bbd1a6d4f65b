#pragma once

#include <QRect>
#include <QString>

#include <vector>

// One word as the recogniser read it, with what tells a word from a mark
// that only looks like one: its box on the page, the height of its capitals
// (top of its glyphs other than bars to the baseline) and the recogniser's
// confidence (0-100). Where the recogniser's symbols spell the word one
// character each, it also has each character's box and the baseline's height:
// what tells a text field's caret after a word from a bar "|".
struct ScreenWord {
    QString text;
    QRect box;
    int capitalHeight = 0;
    float confidence = 100;
    std::vector<QRect> glyphs; // one per character of `text`, or none
    int baseline = 0;
};

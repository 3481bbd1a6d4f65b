#pragma once

#include <QRect>
#include <QString>

// One word as the recogniser read it, with what tells a word from a mark
// that only looks like one: its box on the page, the height of its capitals
// (top of the box to the baseline) and the recogniser's confidence (0-100).
struct ScreenWord {
    QString text;
    QRect box;
    int capitalHeight = 0;
    float confidence = 100;
};

#pragma once

#include <QImage>
#include <QString>

namespace tesseract {
class ResultIterator;
}

// Straight or curly, as drawn. Tesseract's English model has seen mostly
// typeset text and reads a straight quote as a curly one ("‘main’" for
// 'main'); screens show straight quotes in code, terminals and most interface
// text. A straight quote stands upright; both curly ones lean like a comma.
class QuoteShape {
public:
    // Whether the marks in `glyph` (ink dark on light) stand upright.
    static bool standsUpright(const QImage &glyph);

    // `text`, the word at `word`, with each curly quote that stands upright
    // made straight.
    static QString asDrawn(const tesseract::ResultIterator &word, const QString &text);
};

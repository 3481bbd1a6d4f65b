#include "services/QuoteShape.h"

#include <leptonica/allheaders.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <memory>

namespace {

// How far the ink's upper half may sit right of its lower half, in parts of
// the ink's height, for the marks to stand upright. Both curly quotes lean
// right (their upper end is right of their lower), by 0.06 to 0.19 in the
// OCR benchmark's real-screen set; straight ones by -0.03 to 0.02.
constexpr double uprightLean = 0.045;

QChar straightened(QChar c)
{
    switch (c.unicode()) {
    case u'\u2018':
    case u'\u2019':
        return QLatin1Char('\'');
    case u'\u201C':
    case u'\u201D':
        return QLatin1Char('"');
    default:
        return c;
    }
}

// The symbol's ink as Tesseract binarised it: dark on white.
QImage binaryGlyph(const tesseract::ResultIterator &symbol)
{
    Pix *pix = symbol.GetBinaryImage(tesseract::RIL_SYMBOL);
    if (!pix)
        return QImage();
    const int width = pixGetWidth(pix), height = pixGetHeight(pix);
    QImage glyph(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        uchar *row = glyph.scanLine(y);
        for (int x = 0; x < width; ++x) {
            l_uint32 value = 0;
            pixGetPixel(pix, x, y, &value);
            row[x] = value ? 0 : 255;
        }
    }
    pixDestroy(&pix);
    return glyph;
}

} // namespace

bool QuoteShape::standsUpright(const QImage &glyph)
{
    const QImage grey = glyph.convertToFormat(QImage::Format_Grayscale8);
    int top = -1, bottom = -1;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            if (row[x] < 128) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
        }
    }
    if (top < 0 || bottom - top < 3)
        return false;
    const int middle = (top + bottom + 1) / 2;
    double upperSum = 0, lowerSum = 0;
    int upperCount = 0, lowerCount = 0;
    for (int y = top; y <= bottom; ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            if (row[x] >= 128)
                continue;
            if (y < middle) {
                upperSum += x;
                ++upperCount;
            } else {
                lowerSum += x;
                ++lowerCount;
            }
        }
    }
    if (upperCount == 0 || lowerCount == 0)
        return false;
    const double lean = upperSum / upperCount - lowerSum / lowerCount;
    return lean <= uprightLean * (bottom - top + 1);
}

QString QuoteShape::asDrawn(const tesseract::ResultIterator &word, const QString &text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return straightened(c) != c; }))
        return text;
    tesseract::ResultIterator symbol(word);
    QString drawn;
    do {
        const std::unique_ptr<char[]> utf8(symbol.GetUTF8Text(tesseract::RIL_SYMBOL));
        QString glyph = utf8 ? QString::fromUtf8(utf8.get()) : QString();
        if (glyph.size() == 1 && straightened(glyph[0]) != glyph[0] && standsUpright(binaryGlyph(symbol)))
            glyph[0] = straightened(glyph[0]);
        drawn += glyph;
    } while (!symbol.IsAtFinalElement(tesseract::RIL_WORD, tesseract::RIL_SYMBOL) &&
             symbol.Next(tesseract::RIL_SYMBOL));
    // The symbols spell the word; should they not, the word stays as read.
    return drawn.size() == text.size() ? drawn : text;
}

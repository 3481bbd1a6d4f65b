#include "models/TextProcessing.h"

#include <QChar>
#include <QTextBoundaryFinder>

namespace {

QString unifyLineEnds(const QString &text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

char32_t codePointAt(const QString &text, qsizetype index)
{
    const QChar first = text.at(index);
    if (first.isHighSurrogate() && index + 1 < text.size() && text.at(index + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(first, text.at(index + 1));
    return first.unicode();
}

// Calls `visit` with each maximal run of characters that are not whitespace, in order.
template <typename Visit>
void forEachWord(const QString &text, Visit visit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype wordStart = -1;
    qsizetype clusterStart = 0;
    while (clusterStart < text.size()) {
        qsizetype clusterEnd = finder.toNextBoundary();
        if (clusterEnd <= clusterStart)
            clusterEnd = text.size();
        if (TextProcessing::isWhitespace(codePointAt(text, clusterStart))) {
            if (wordStart >= 0)
                visit(QStringView(text).mid(wordStart, clusterStart - wordStart));
            wordStart = -1;
        } else if (wordStart < 0) {
            wordStart = clusterStart;
        }
        clusterStart = clusterEnd;
    }
    if (wordStart >= 0)
        visit(QStringView(text).mid(wordStart));
}

} // namespace

bool TextProcessing::isWhitespace(char32_t codePoint)
{
    // QChar::isSpace is exactly White_Space: U+0009–U+000D, U+0085 and Zs, Zl, Zp.
    return QChar::isSpace(codePoint);
}

QString TextProcessing::trimmed(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end) {
        const char32_t codePoint = codePointAt(text, begin);
        if (!isWhitespace(codePoint))
            break;
        begin += QChar::requiresSurrogates(codePoint) ? 2 : 1;
    }
    while (end > begin) {
        qsizetype start = end - 1;
        if (text.at(start).isLowSurrogate() && start > begin && text.at(start - 1).isHighSurrogate())
            --start;
        if (!isWhitespace(codePointAt(text, start)))
            break;
        end = start;
    }
    return text.mid(begin, end - begin);
}

QStringList TextProcessing::words(const QString &text)
{
    QStringList result;
    forEachWord(text, [&result](QStringView word) { result.append(word.toString()); });
    return result;
}

qsizetype TextProcessing::wordCount(const QString &text)
{
    qsizetype count = 0;
    forEachWord(text, [&count](QStringView) { ++count; });
    return count;
}

QString TextProcessing::normalize(const QString &text, bool keepLineBreaks)
{
    const QString trimmedText = trimmed(unifyLineEnds(text));
    if (keepLineBreaks)
        return trimmedText;
    return words(trimmedText).join(QLatin1Char(' '));
}

bool TextProcessing::isBlank(const QString &text)
{
    return trimmed(text).isEmpty();
}

qsizetype TextProcessing::characterCount(const QString &text)
{
    qsizetype count = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

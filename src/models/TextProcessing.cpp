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

// Calls `visit(start, end)` for each extended grapheme cluster, in order.
template <typename Visit>
void forEachCluster(const QString &text, Visit visit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype clusterStart = 0;
    while (clusterStart < text.size()) {
        qsizetype clusterEnd = finder.toNextBoundary();
        if (clusterEnd <= clusterStart)
            clusterEnd = text.size();
        visit(clusterStart, clusterEnd);
        clusterStart = clusterEnd;
    }
}

// Below U+0300 nothing joins a cluster but CR LF, which is whitespace either
// way: each code unit is a character of its own.
bool clustersAreCodeUnits(const QString &text)
{
    for (const QChar character : text) {
        if (character.unicode() >= 0x300)
            return false;
    }
    return true;
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
    QString current;
    forEachCluster(text, [&](qsizetype start, qsizetype end) {
        if (isWhitespace(codePointAt(text, start))) {
            if (!current.isEmpty())
                result.append(std::exchange(current, QString()));
        } else {
            current.append(QStringView(text).mid(start, end - start));
        }
    });
    if (!current.isEmpty())
        result.append(current);
    return result;
}

qsizetype TextProcessing::wordCount(const QString &text)
{
    qsizetype count = 0;
    bool inWord = false;
    const auto step = [&](char32_t firstCodePoint) {
        const bool space = isWhitespace(firstCodePoint);
        count += !space && !inWord;
        inWord = !space;
    };
    if (clustersAreCodeUnits(text)) {
        for (const QChar character : text)
            step(character.unicode());
        return count;
    }
    forEachCluster(text, [&](qsizetype start, qsizetype) { step(codePointAt(text, start)); });
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

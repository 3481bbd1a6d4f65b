#include "services/ScreenTextCleanup.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// Icons and window buttons are drawn taller than the capitals of the text
// beside them and about as wide as tall.
constexpr double iconHeightOverCapital = 1.2;
constexpr double iconAspectLimit = 1.35;
constexpr double tallIconOverCapital = 3;
// A frame's edge or a column rule read as "|" reaches well above and below
// the line's capitals; the glyph "|" only a little below the baseline.
constexpr double edgeHeightOverCapital = 1.5;
// An arrow ("→" read as ">") is much wider than the glyph ">".
constexpr double arrowAspect = 1.5;
// Below this confidence the recogniser was guessing (measured with the OCR
// benchmark's real-screen set: its icons read at 16-58, its words at 79 and
// more, apart from JPEG-blurred words, which hold several letters).
constexpr float doubtfulConfidence = 60;
constexpr float sureConfidence = 85;

int letterOrDigitCount(const QString &text)
{
    return int(std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); }));
}

// The capital height of the line's text (its words of two letters or digits
// and more), or 0 when the line holds no such word.
int lineCapitalHeight(const std::vector<ScreenWord> &words)
{
    std::vector<int> heights;
    for (const ScreenWord &word : words) {
        if (word.capitalHeight > 0 && letterOrDigitCount(word.text) >= 2)
            heights.push_back(word.capitalHeight);
    }
    if (heights.empty())
        return 0;
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    return heights[heights.size() / 2];
}

// One glyph read together with the frame around it: "[5]", "(x)".
bool isFramedGlyph(const QString &text)
{
    return text.size() == 3 && (text[0] == QLatin1Char('[') || text[0] == QLatin1Char('(')) &&
           (text[2] == QLatin1Char(']') || text[2] == QLatin1Char(')'));
}

bool isStraightQuote(QChar c)
{
    return c == QLatin1Char('\'') || c == QLatin1Char('"');
}

// Which quote family a character belongs to: 1 single, 2 double, 0 none.
int quoteFamily(QChar c)
{
    switch (c.unicode()) {
    case u'\'':
    case u'\u2018':
    case u'\u2019':
        return 1;
    case u'"':
    case u'\u201C':
    case u'\u201D':
        return 2;
    default:
        return 0;
    }
}

bool opensWord(const QString &line, qsizetype at)
{
    return at == 0 || line[at - 1].isSpace() || line[at - 1] == QLatin1Char('(') || line[at - 1] == QLatin1Char('[');
}

bool closesWord(const QString &line, qsizetype at)
{
    return at + 1 == line.size() || !line[at + 1].isLetterOrNumber();
}

} // namespace

QString ScreenTextCleanup::line(const std::vector<ScreenWord> &words)
{
    const int capitalHeight = lineCapitalHeight(words);
    QStringList kept;
    for (const ScreenWord &word : words) {
        if (!word.text.isEmpty() && !isMark(word, capitalHeight))
            kept.append(withScreenFontReadings(word.text));
    }
    return withMatchingQuotes(kept.join(QLatin1Char(' ')));
}

bool ScreenTextCleanup::isMark(const ScreenWord &word, int lineCapitalHeight)
{
    const int letters = letterOrDigitCount(word.text);
    // A lone "|" is a compiler's marker or a separator, whatever the confidence.
    const bool bar = word.text == QLatin1String("|");
    if (letters == 0 && !bar && word.confidence < doubtfulConfidence)
        return true;
    if (letters == 1 && word.text.size() > 1 && word.confidence < doubtfulConfidence)
        return true;
    if (letters > 2 || word.box.isEmpty() || lineCapitalHeight <= 0)
        return false;
    const double aspect = double(word.box.width()) / word.box.height();
    const double height = word.box.height();
    // An icon read as one or two letters ("Aa", "is" for a warning sign),
    // doubted and taller than the text beside it; a badge's digit is as tall
    // and as square, but read with confidence (if not always as the right
    // digit).
    const bool square = aspect <= iconAspectLimit && aspect >= 1 / iconAspectLimit;
    const bool tall = height >= iconHeightOverCapital * lineCapitalHeight;
    if (tall && word.confidence < sureConfidence && (square || height >= tallIconOverCapital * lineCapitalHeight))
        return true;
    // A window button read with its frame, however surely.
    if (tall && square && isFramedGlyph(word.text))
        return true;
    if (letters > 1)
        return false;
    const QString text = word.text;
    if ((text == QLatin1String("|") || text == QLatin1String("[") || text == QLatin1String("]")) &&
        height >= edgeHeightOverCapital * lineCapitalHeight)
        return true;
    return (text == QLatin1String(">") || text == QLatin1String("<")) && aspect >= arrowAspect;
}

QString ScreenTextCleanup::withScreenFontReadings(const QString &word)
{
    // A shortcut's modifier: "l" read as "i", "1", "I" or "|", or as "il".
    static const QRegularExpression control(QStringLiteral("\\bCtr[il1I|]{1,2}(?=[+-])"));
    // A file's mode in a listing ("-rw-r--r--"): "r" read as "f", the link's
    // "l" as "L".
    static const QRegularExpression mode(QStringLiteral("^[-dlLbcps][-rwxfsStT]{9}$"));
    QString read = word;
    read.replace(control, QStringLiteral("Ctrl"));
    if (mode.match(read).hasMatch() && read.count(QLatin1Char('-')) + read.count(QLatin1Char('r')) +
                                               read.count(QLatin1Char('w')) + read.count(QLatin1Char('x')) >=
                                           7) {
        read.replace(QLatin1Char('f'), QLatin1Char('r'));
        if (read[0] == QLatin1Char('L'))
            read[0] = QLatin1Char('l');
    }
    // A text field's caret right after its text.
    if (read.size() > 1 && read.endsWith(QLatin1Char('|')) && !read[read.size() - 2].isSpace() &&
        read[read.size() - 2] != QLatin1Char('|'))
        read.chop(1);
    for (qsizetype i = 0; i < read.size(); ++i) {
        if (read[i] != QLatin1Char('|') || i + 1 >= read.size() || !read[i + 1].isLetter())
            continue;
        // "|" never stands inside a word: a capital I starting one, an "l" in it.
        if (i == 0 && read[i + 1].isLower())
            read[i] = QLatin1Char('I');
        else if (i > 0 && read[i - 1].isLetter())
            read[i] = QLatin1Char('l');
    }
    return read;
}

QString ScreenTextCleanup::withMatchingQuotes(const QString &line)
{
    QString matched = line;
    for (qsizetype open = 0; open < matched.size(); ++open) {
        const int family = quoteFamily(matched[open]);
        if (family == 0 || !opensWord(matched, open))
            continue;
        for (qsizetype close = open + 1; close < matched.size(); ++close) {
            if (quoteFamily(matched[close]) != family || !closesWord(matched, close))
                continue;
            if (isStraightQuote(matched[open]) != isStraightQuote(matched[close])) {
                const QChar straight = family == 1 ? QLatin1Char('\'') : QLatin1Char('"');
                matched[open] = straight;
                matched[close] = straight;
            }
            open = close;
            break;
        }
    }
    return matched;
}

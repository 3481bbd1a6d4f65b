#include "services/ScreenTextCleanup.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// Icons and window buttons are drawn taller than the capitals of the text
// beside them and about as wide as tall.
constexpr double iconHeightOverCapital = 1.2;
constexpr double iconAspectLimit = 1.35;
constexpr double tallIconOverCapital = 3;
// A bullet or speck read as a sign is about as wide as tall; "}", "_" or "="
// drawn as glyphs are not.
constexpr double markAspectLimit = 1.5;
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
// A text field's caret is as tall as the font's whole line: it rises about
// 1.7 times the small letters' height above the baseline, the glyph "|" and
// the ascenders about 1.4 times.
constexpr double caretRiseOverXHeight = 1.55;
// "^" read as "A": the mark is much wider than tall, the letter never.
constexpr double circumflexAspect = 1.3;

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

bool hasBracket(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char('[') || c == QLatin1Char(']');
    });
}

bool hasGlyphs(const ScreenWord &word)
{
    return !word.glyphs.empty() && qsizetype(word.glyphs.size()) == word.text.size();
}

// The height of the word's small letters: from the baseline to the commonest
// top among its glyphs other than bars; 0 without glyphs.
int xHeightOf(const ScreenWord &word)
{
    if (!hasGlyphs(word))
        return 0;
    std::vector<int> tops;
    for (qsizetype i = 0; i < word.text.size(); ++i) {
        if (word.text[i] != QLatin1Char('|'))
            tops.push_back(word.glyphs[size_t(i)].top());
    }
    if (tops.empty())
        return 0;
    std::nth_element(tops.begin(), tops.begin() + tops.size() / 2, tops.end());
    return std::max(0, word.baseline - tops[tops.size() / 2]);
}

// The bar at `at` rises above the word's ascenders as a caret does.
bool risesLikeCaret(const ScreenWord &word, qsizetype at)
{
    const int xHeight = xHeightOf(word);
    return xHeight > 0 && word.baseline - word.glyphs[size_t(at)].top() >= caretRiseOverXHeight * xHeight;
}

// Window buttons sit at the ends of a title bar, after or before the title
// and the window's icon.
void markWindowButtons(const std::vector<ScreenWord> &words, int capitalHeight, std::vector<bool> &marks)
{
    for (size_t i = words.size(); i-- > 0;) {
        if (!marks[i] && !ScreenTextCleanup::isWindowButton(words[i], capitalHeight))
            break;
        marks[i] = true;
    }
    for (size_t i = 0; i < words.size(); ++i) {
        if (!marks[i] && !ScreenTextCleanup::isWindowButton(words[i], capitalHeight))
            break;
        marks[i] = true;
    }
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

QString ScreenTextCleanup::line(const std::vector<ScreenWord> &words, bool firstLine)
{
    const int capitalHeight = lineCapitalHeight(words);
    std::vector<bool> marks(words.size());
    for (size_t i = 0; i < words.size(); ++i)
        marks[i] = words[i].text.isEmpty() || isMark(words[i], capitalHeight);
    if (firstLine)
        markWindowButtons(words, capitalHeight, marks);
    QStringList kept;
    for (size_t i = 0; i < words.size(); ++i) {
        if (!marks[i])
            kept.append(withScreenFontReadings(words[i]));
    }
    return withMatchingQuotes(kept.join(QLatin1Char(' ')));
}

bool ScreenTextCleanup::isMark(const ScreenWord &word, int lineCapitalHeight)
{
    const int letters = letterOrDigitCount(word.text);
    const double aspect = word.box.isEmpty() ? 0 : double(word.box.width()) / word.box.height();
    // One doubted glyph without letters as wide as tall is a bullet, a speck,
    // a checkbox or an icon: the signs and punctuation drawn that square ("+",
    // "*") are read surely. A run of them ("~~~", "---", "==") is text, and
    // so are the narrow and the flat ones ("}", "^", "_", "=").
    if (letters == 0 && word.text.size() == 1 && word.text != QLatin1String("|") &&
        word.confidence < doubtfulConfidence && aspect <= markAspectLimit && aspect >= 1 / markAspectLimit)
        return true;
    if (letters > 2 || word.box.isEmpty() || lineCapitalHeight <= 0)
        return false;
    const double height = word.box.height();
    // An icon read as one or two letters ("Aa", "is" for a warning sign),
    // doubted and taller than the text beside it; a badge's digit is as tall
    // and as square, but read with confidence (if not always as the right
    // digit). Brackets are drawn, not guessed: "(i)" and "[x]" are text.
    const bool square = aspect <= iconAspectLimit && aspect >= 1 / iconAspectLimit;
    const bool tall = height >= iconHeightOverCapital * lineCapitalHeight;
    if (tall && word.confidence < sureConfidence && (square || height >= tallIconOverCapital * lineCapitalHeight) &&
        !hasBracket(word.text))
        return true;
    if (letters > 1)
        return false;
    const QString text = word.text;
    if ((text == QLatin1String("|") || text == QLatin1String("[") || text == QLatin1String("]")) &&
        height >= edgeHeightOverCapital * lineCapitalHeight)
        return true;
    return (text == QLatin1String(">") || text == QLatin1String("<")) && aspect >= arrowAspect;
}

bool ScreenTextCleanup::isWindowButton(const ScreenWord &word, int lineCapitalHeight)
{
    if (letterOrDigitCount(word.text) > 1 || word.box.isEmpty() || lineCapitalHeight <= 0)
        return false;
    const double aspect = double(word.box.width()) / word.box.height();
    return aspect <= iconAspectLimit && aspect >= 1 / iconAspectLimit &&
           word.box.height() >= iconHeightOverCapital * lineCapitalHeight;
}

QString ScreenTextCleanup::withScreenFontReadings(const ScreenWord &word)
{
    // A shortcut's modifier: "l" read as "i", "1", "I" or "|", or as "il".
    static const QRegularExpression control(QStringLiteral("\\bCtr[il1I|]{1,2}(?=[+-])"));
    // A file's mode in a listing ("-rw-r--r--"): "r" read as "f", the link's
    // "l" as "L".
    static const QRegularExpression mode(QStringLiteral("^[-dlLbcps][-rwxfsStT]{9}$"));
    QString read = word.text;
    // A lone "^" (a compiler's marker, an operator) read as "A".
    if (read == QLatin1String("A") && !word.box.isEmpty() && word.box.width() >= circumflexAspect * word.box.height())
        return QStringLiteral("^");
    // A text field's caret right after its text.
    const qsizetype last = read.size() - 1;
    if (last > 0 && read[last] == QLatin1Char('|') && !read[last - 1].isSpace() && read[last - 1] != QLatin1Char('|') &&
        risesLikeCaret(word, last))
        read.chop(1);
    read.replace(control, QStringLiteral("Ctrl"));
    if (mode.match(read).hasMatch() && read.count(QLatin1Char('-')) + read.count(QLatin1Char('r')) +
                                               read.count(QLatin1Char('w')) + read.count(QLatin1Char('x')) >=
                                           7) {
        read.replace(QLatin1Char('f'), QLatin1Char('r'));
        if (read[0] == QLatin1Char('L'))
            read[0] = QLatin1Char('l');
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

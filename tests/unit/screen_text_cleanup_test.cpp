#include "services/ScreenTextCleanup.h"

#include <gtest/gtest.h>

namespace {

ScreenWord word(const char *text, QSize size, float confidence, int capitalHeight = 0)
{
    return ScreenWord{QString::fromUtf8(text), QRect(QPoint(0, 0), size), capitalHeight, confidence, {}, 0};
}

// A word whose glyphs stand on a baseline at y 20: small letters 10 px tall,
// capitals and ascenders 14; "|" as the glyph, from the ascenders' top to
// 4 px below the baseline, and "¦" as a text field's caret, taller.
ScreenWord drawn(const char *text)
{
    ScreenWord word{QString(), QRect(), 14, 96, {}, 20};
    int x = 0;
    for (const QChar c : QString::fromUtf8(text)) {
        const bool caret = c == QChar(u'\u00A6');
        const bool bar = caret || c == QLatin1Char('|');
        const int top = caret ? 2 : bar || c.isUpper() || QStringLiteral("bdfhklt").contains(c) ? 6 : 10;
        word.glyphs.emplace_back(QPoint(x, top), QPoint(x + (bar ? 1 : 7), bar ? 24 : 19));
        word.text += bar ? QLatin1Char('|') : c;
        x += bar ? 4 : 9;
    }
    word.box = QRect(QPoint(0, 2), QPoint(x, 24));
    return word;
}

} // namespace

TEST(ScreenTextCleanupTest, MarksBesideTextAreNotTextButWordsAre)
{
    // Beside text whose capitals are 17 px tall.
    constexpr int capitals = 17;
    const struct {
        ScreenWord word;
        bool mark;
    } cases[] = {
        // Window buttons are told by their place at a title bar's end: beside
        // text elsewhere, a glyph in brackets is text ("(i)", "[x]").
        {word("[=]", {24, 24}, 50), false},
        {word("(6)", {24, 24}, 74), false},
        {word("[5]", {24, 24}, 87), false},
        {word("(i)", {24, 24}, 70), false},
        {word("[x]", {22, 21}, 55), false},
        {word("Aa", {31, 34}, 75), true},   // a window's icon read as letters
        {word("is", {35, 93}, 27), true},   // a warning sign read as letters
        {word("On>", {64, 32}, 15), false}, // a switch's label, doubted but no icon
        {word("12", {23, 16}, 81), false},  // a badge's number
        {word("a", {26, 25}, 78), true},    // the dialog's icon
        {word(";", {2, 3}, 58), true},      // a speck
        {word("i\\", {35, 93}, 16), true},  // a warning sign
        {word("¢", {8, 8}, 46), true},      // a bullet
        {word(">", {19, 11}, 88), true},    // an arrow
        {word("|", {6, 62}, 96), true},     // a table's column rule
        {word(">", {9, 9}, 88), false},     // the glyph ">" ("Next >")
        {word("|", {3, 20}, 53), false},    // a separator ("Privacy | Terms")
        {word("@", {40, 30}, 89), false},   // a badge's digit, read wrongly but surely
        {word("1.2", {35, 18}, 43), false}, // a doubted number
        {word("KB", {30, 18}, 22), false},  // a doubted word
        {word("5", {10, 17}, 40), false},   // a doubted digit
        {word("OK", {34, 18}, 96), false},
        // Doubted signs that are drawn narrow, flat or several in a row.
        {word("}", {8, 22}, 44), false},
        {word("=", {15, 9}, 40), false},
        {word("^", {13, 8}, 30), false},
        {word("---", {30, 3}, 35), false},
        {word("~~~~~~~~", {127, 5}, 100), false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScreenTextCleanup::isMark(c.word, capitals), c.mark) << qPrintable(c.word.text);
}

TEST(ScreenTextCleanupTest, ShapesAreJudgedOnlyNextToText)
{
    // A compiler's marker line holds no word: its "|" and "^" stay.
    EXPECT_FALSE(ScreenTextCleanup::isMark(word("|", {3, 29}, 82), 0));
    EXPECT_FALSE(ScreenTextCleanup::isMark(word("A", {13, 8}, 83), 0));
    // A doubted square glyph without letters is still no text; a pair of
    // them, without text to measure them by, may be code.
    EXPECT_TRUE(ScreenTextCleanup::isMark(word("¢", {8, 8}, 46), 0));
    EXPECT_FALSE(ScreenTextCleanup::isMark(word("[)", {24, 24}, 58), 0));
}

TEST(ScreenTextCleanupTest, LineLeavesOutMarksAndMeasuresCapitalsOnItsWords)
{
    const std::vector<ScreenWord> titleBar = {word(";", {2, 3}, 58, 8),           word("Unsaved", {107, 17}, 92, 17),
                                              word("changes", {106, 21}, 97, 17), word("[=]", {24, 24}, 50, 19),
                                              word("(6)", {24, 24}, 74, 19),      word("[)", {24, 24}, 58, 19)};
    EXPECT_EQ(ScreenTextCleanup::line(titleBar, true), QStringLiteral("Unsaved changes"));
    // The same words further down, or inside the first line, are text.
    EXPECT_EQ(ScreenTextCleanup::line(titleBar), QStringLiteral("Unsaved changes [=] (6) [)"));
    const std::vector<ScreenWord> enumeration = {word("Step", {50, 17}, 96, 17), word("(1)", {24, 24}, 87, 19),
                                                 word("of", {20, 17}, 96, 17), word("3", {10, 17}, 96, 17)};
    EXPECT_EQ(ScreenTextCleanup::line(enumeration, true), QStringLiteral("Step (1) of 3"));
    // A compiler's marker line: the "^" is as drawn, not the letter it resembles.
    const std::vector<ScreenWord> marker = {word("|", {3, 29}, 53, 8), word("A", {13, 8}, 83, 8)};
    EXPECT_EQ(ScreenTextCleanup::line(marker), QStringLiteral("| ^"));
    const std::vector<ScreenWord> capital = {word("A", {9, 12}, 83, 12), word("plan", {40, 16}, 96, 12)};
    EXPECT_EQ(ScreenTextCleanup::line(capital), QStringLiteral("A plan"));
    const std::vector<ScreenWord> shortcut = {word("Quit", {50, 17}, 96, 17), word("Ctril+Q", {80, 17}, 90, 17)};
    EXPECT_EQ(ScreenTextCleanup::line(shortcut), QStringLiteral("Quit Ctrl+Q"));
}

TEST(ScreenTextCleanupTest, ScreenFontReadings)
{
    const struct {
        ScreenWord read;
        const char *meant;
    } cases[] = {
        {drawn("Ctri+F"), "Ctrl+F"},
        {drawn("Ctril+Q"), "Ctrl+Q"},
        {drawn("Ctr1+Shift+Z"), "Ctrl+Shift+Z"},
        {drawn("Ctrl+C"), "Ctrl+C"},
        {drawn("Ctri"), "Ctri"},             // not a shortcut
        {drawn("|"), "|"},                   // a separator on its own
        {drawn("-fw-r--r--"), "-rw-r--r--"}, // a file's mode
        {drawn("Lrwxrwxrwx"), "lrwxrwxrwx"}, // a link's mode
        {drawn("drwxr-xr-x"), "drwxr-xr-x"},
        {drawn("Lifeforms!"), "Lifeforms!"},    // ten letters, but no mode
        {drawn("example.org¦"), "example.org"}, // a field's caret
        // Bars drawn as bars stay, wherever they are.
        {drawn("||"), "||"},
        {drawn("ls|grep"), "ls|grep"},
        {drawn("|grep"), "|grep"},
        {drawn("x|"), "x|"},
        {drawn("|a|b|"), "|a|b|"},
        {drawn("x|2"), "x|2"},
        {drawn("|A"), "|A"},
        {drawn("example.org|"), "example.org|"},
        {word("example.org|", {120, 22}, 90), "example.org|"}, // no glyphs to tell a caret by
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScreenTextCleanup::withScreenFontReadings(c.read), QString::fromUtf8(c.meant))
            << qPrintable(c.read.text);
}

TEST(ScreenTextCleanupTest, QuotesPairedWithAStraightOneAreStraight)
{
    const struct {
        const char *read;
        const char *meant;
    } cases[] = {
        {"print(\"Total:\", ‘EUR')", "print(\"Total:\", 'EUR')"},
        {"(have ‘struct point’ and ‘int')", "(have ‘struct point’ and 'int')"},
        {"say “hello\" now", "say \"hello\" now"},
        {"say \"hello” now", "say \"hello\" now"},
        {"“curly” stays", "“curly” stays"},               // a typographic pair as drawn
        {"Let's meet at ‘noon'", "Let's meet at 'noon'"}, // an apostrophe is no quote
        {"it’s 'fine'", "it’s 'fine'"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScreenTextCleanup::withMatchingQuotes(QString::fromUtf8(c.read)), QString::fromUtf8(c.meant))
            << c.read;
}

#include "services/ScreenTextCleanup.h"

#include <gtest/gtest.h>

namespace {

ScreenWord word(const char *text, QSize size, float confidence, int capitalHeight = 0)
{
    return ScreenWord{QString::fromUtf8(text), QRect(QPoint(0, 0), size), capitalHeight, confidence};
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
        {word("[=]", {24, 24}, 50), true},  // a window button the recogniser doubted
        {word("(6)", {24, 24}, 74), true},  // a window button read with some confidence
        {word("[5]", {24, 24}, 87), true},  // a window button read with its frame, surely
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
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScreenTextCleanup::isMark(c.word, capitals), c.mark) << qPrintable(c.word.text);
}

TEST(ScreenTextCleanupTest, ShapesAreJudgedOnlyNextToText)
{
    // A compiler's marker line holds no word: its "|" and "^" stay.
    EXPECT_FALSE(ScreenTextCleanup::isMark(word("|", {3, 29}, 82), 0));
    EXPECT_FALSE(ScreenTextCleanup::isMark(word("A", {13, 8}, 83), 0));
    // A doubted glyph without letters is still no text.
    EXPECT_TRUE(ScreenTextCleanup::isMark(word("[)", {24, 24}, 58), 0));
}

TEST(ScreenTextCleanupTest, LineLeavesOutMarksAndMeasuresCapitalsOnItsWords)
{
    const std::vector<ScreenWord> titleBar = {word(";", {2, 3}, 58, 8),           word("Unsaved", {107, 17}, 92, 17),
                                              word("changes", {106, 21}, 97, 17), word("[=]", {24, 24}, 50, 19),
                                              word("(6)", {24, 24}, 74, 19),      word("[)", {24, 24}, 58, 19)};
    EXPECT_EQ(ScreenTextCleanup::line(titleBar), QStringLiteral("Unsaved changes"));
    const std::vector<ScreenWord> marker = {word("|", {3, 29}, 53, 8), word("A", {13, 8}, 83, 8)};
    EXPECT_EQ(ScreenTextCleanup::line(marker), QStringLiteral("| A"));
    const std::vector<ScreenWord> shortcut = {word("Quit", {50, 17}, 96, 17), word("Ctril+Q", {80, 17}, 90, 17)};
    EXPECT_EQ(ScreenTextCleanup::line(shortcut), QStringLiteral("Quit Ctrl+Q"));
}

TEST(ScreenTextCleanupTest, ScreenFontReadings)
{
    const struct {
        const char *read;
        const char *meant;
    } cases[] = {
        {"Ctri+F", "Ctrl+F"},
        {"Ctril+Q", "Ctrl+Q"},
        {"Ctr1+Shift+Z", "Ctrl+Shift+Z"},
        {"Ctrl+C", "Ctrl+C"},
        {"Ctri", "Ctri"},               // not a shortcut
        {"|llustrated", "Illustrated"}, // a capital starting a word
        {"He|lo", "Hello"},
        {"a|b", "alb"},
        {"|", "|"},                   // a separator on its own
        {"x|2", "x|2"},               // not between letters
        {"|A", "|A"},                 // not before a small letter
        {"-fw-r--r--", "-rw-r--r--"}, // a file's mode
        {"Lrwxrwxrwx", "lrwxrwxrwx"}, // a link's mode
        {"drwxr-xr-x", "drwxr-xr-x"},
        {"Lifeforms!", "Lifeforms!"},    // ten letters, but no mode
        {"example.org|", "example.org"}, // a field's caret
        {"||", "||"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScreenTextCleanup::withScreenFontReadings(QString::fromUtf8(c.read)), QString::fromUtf8(c.meant))
            << c.read;
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

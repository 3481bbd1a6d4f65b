#include "foundation/SearchFolding.h"
#include "models/ClipboardHistorySearch.h"
#include "models/RelativeDate.h"
#include "models/TextProcessing.h"
#include "support/design/SymbolLibrary.h"
#include "views/HistoryRow.h"
#include "views/HistoryRowEstimate.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <stop_token>

namespace {

const QDateTime now = QDateTime(QDate(2024, 5, 15), QTime(12, 0), Qt::UTC);

QStringList texts(const QList<ClipboardHistoryItem> &items)
{
    QStringList found;
    for (const ClipboardHistoryItem &item : items)
        found << item.text;
    return found;
}

} // namespace

TEST(RelativeDateTest, NamesTheLargestWholeUnitAtItsBoundaries)
{
    const struct {
        QDateTime date;
        const char *expected;
    } cases[] = {
        {now, "now"},
        {now.addMSecs(-999), "now"},
        {now.addMSecs(999), "now"},
        {now.addSecs(-1), "1 second ago"},
        {now.addMSecs(-1999), "1 second ago"},
        {now.addSecs(-59), "59 seconds ago"},
        {now.addSecs(-60), "1 minute ago"},
        {now.addSecs(-119), "1 minute ago"},
        {now.addSecs(-120), "2 minutes ago"},
        {now.addSecs(-3599), "59 minutes ago"},
        {now.addSecs(-3600), "1 hour ago"},
        {now.addSecs(-23 * 3600), "23 hours ago"},
        {now.addSecs(-24 * 3600), "yesterday"},
        {now.addSecs(-47 * 3600), "yesterday"},
        {now.addDays(-2), "2 days ago"},
        {now.addDays(-6), "6 days ago"},
        {now.addDays(-7), "last week"},
        {now.addDays(-13), "last week"},
        {now.addDays(-14), "2 weeks ago"},
        {now.addMonths(-1), "last month"},
        {now.addMonths(-1).addSecs(1), "4 weeks ago"},
        {now.addMonths(-2), "2 months ago"},
        {now.addMonths(-11), "11 months ago"},
        {now.addYears(-1), "last year"},
        {now.addYears(-3).addDays(-40), "3 years ago"},
        {now.addSecs(1), "in 1 second"},
        {now.addSecs(30), "in 30 seconds"},
        {now.addSecs(60), "in 1 minute"},
        {now.addSecs(5 * 3600), "in 5 hours"},
        {now.addDays(1), "tomorrow"},
        {now.addDays(3), "in 3 days"},
        {now.addDays(7), "next week"},
        {now.addDays(21), "in 3 weeks"},
        {now.addMonths(1), "next month"},
        {now.addYears(1), "next year"},
        {now.addYears(2), "in 2 years"},
    };
    for (const auto &row : cases)
        EXPECT_EQ(RelativeDate::text(row.date, now), QString::fromUtf8(row.expected))
            << row.date.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(RelativeDate::text(QDateTime(), now), QString());
}

TEST(RelativeDateTest, CountsCalendarUnitsInTheZoneOfNow)
{
    // 29 February 23:30 in UTC is 1 March two hours east: a month before 31
    // March 22:00 in UTC, but not yet a month before 1 April 00:00 there.
    const QDateTime leapDay(QDate(2024, 2, 29), QTime(23, 30), Qt::UTC);
    const QDateTime endOfMarch(QDate(2024, 3, 31), QTime(22, 0), Qt::UTC);
    EXPECT_EQ(RelativeDate::text(leapDay, endOfMarch), QStringLiteral("last month"));
    EXPECT_EQ(RelativeDate::text(leapDay, endOfMarch.toOffsetFromUtc(2 * 3600)), QStringLiteral("4 weeks ago"));
    // From 31 January, one calendar month on is the end of February.
    const QDateTime january(QDate(2024, 1, 31), QTime(9, 0), Qt::UTC);
    EXPECT_EQ(RelativeDate::text(january, QDateTime(QDate(2024, 2, 29), QTime(9, 0), Qt::UTC)),
              QStringLiteral("last month"));
    EXPECT_EQ(RelativeDate::text(january, QDateTime(QDate(2024, 2, 28), QTime(9, 0), Qt::UTC)),
              QStringLiteral("4 weeks ago"));
}

TEST(HistoryRowTest, MetaLineCountsWordsWithTheSingularOnlyForOne)
{
    EXPECT_EQ(HistoryRow::metaText(1, now, now), QStringLiteral("1 word · now"));
    EXPECT_EQ(HistoryRow::metaText(0, now, now), QStringLiteral("0 words · now"));
    EXPECT_EQ(HistoryRow::metaText(12, now.addSecs(-300), now), QStringLiteral("12 words · 5 minutes ago"));
}

TEST(ClipboardHistorySearchTest, FindsTextsIgnoringCaseDiacriticsAndTheSearchsOuterWhitespace)
{
    const QList<ClipboardHistoryItem> items{
        ClipboardHistoryItem(QStringLiteral("I love CAFE"), now), ClipboardHistoryItem(QStringLiteral("tea"), now),
        ClipboardHistoryItem(QStringLiteral("Straße im Café"), now),
        ClipboardHistoryItem(QStringLiteral("cafe\u0301 cre\u0300me"), now), // decomposed accents
    };
    const struct {
        QString search;
        QStringList expected;
    } cases[] = {
        {QStringLiteral("café"), {"I love CAFE", "Straße im Café", "cafe\u0301 cre\u0300me"}},
        {QStringLiteral("  cafe  "), {"I love CAFE", "Straße im Café", "cafe\u0301 cre\u0300me"}},
        {QStringLiteral("\u2003CAFE\u00a0\n"), {"I love CAFE", "Straße im Café", "cafe\u0301 cre\u0300me"}},
        {QStringLiteral("love café"), {"I love CAFE"}},
        {QStringLiteral("STRASSE"), {"Straße im Café"}},
        {QStringLiteral("crème"), {"cafe\u0301 cre\u0300me"}},
        {QStringLiteral("TEA"), {"tea"}},
        {QStringLiteral("zzz"), {}},
        {QString(), {"I love CAFE", "tea", "Straße im Café", "cafe\u0301 cre\u0300me"}},
        {QStringLiteral("   "), {"I love CAFE", "tea", "Straße im Café", "cafe\u0301 cre\u0300me"}},
        // Inner spaces count: "lovecafe" is not in any text.
        {QStringLiteral("lovecafe"), {}},
    };
    ClipboardHistorySearch search;
    for (const auto &row : cases)
        EXPECT_EQ(texts(search.filter(items, row.search)), row.expected) << row.search.toStdString();
}

TEST(ClipboardHistorySearchTest, KeepsOneFoldedTextPerStoredItemAndForgetsTheRest)
{
    QList<ClipboardHistoryItem> items{ClipboardHistoryItem(QStringLiteral("alpha"), now),
                                      ClipboardHistoryItem(QStringLiteral("beta"), now)};
    ClipboardHistorySearch search;
    search.filter(items, QString());
    EXPECT_EQ(search.cachedCount(), 0) << "nothing folded without a search";
    search.filter(items, QStringLiteral("a"));
    search.filter(items, QStringLiteral("al"));
    EXPECT_EQ(search.cachedCount(), 2);
    items.removeFirst();
    EXPECT_EQ(texts(search.filter(items, QStringLiteral("a"))), QStringList{QStringLiteral("beta")});
    EXPECT_EQ(search.cachedCount(), 1);
}

TEST(ClipboardHistorySearchTest, FoldsMadeAheadAreTakenInAndOnlyTheRestAreLeftToFold)
{
    QList<ClipboardHistoryItem> items{ClipboardHistoryItem(QStringLiteral("Crème BRÛLÉE"), now),
                                      ClipboardHistoryItem(QStringLiteral("tea"), now)};
    ClipboardHistorySearch search;
    const QHash<QUuid, QString> unfolded = search.unfoldedTexts(items);
    ASSERT_EQ(unfolded.size(), 2);
    const QHash<QUuid, QString> folded = ClipboardHistorySearch::foldedTexts(unfolded);
    EXPECT_EQ(folded.value(items.first().id), QStringLiteral("creme brulee"));
    search.keepFolded(folded);
    EXPECT_EQ(search.cachedCount(), 2);

    items.prepend(ClipboardHistoryItem(QStringLiteral("New"), now));
    EXPECT_EQ(search.unfoldedTexts(items).keys(), QList<QUuid>{items.first().id}) << "only the new one";
    EXPECT_EQ(texts(search.filter(items, QStringLiteral("brulee"))), QStringList{QStringLiteral("Crème BRÛLÉE")});

    std::stop_source stop;
    stop.request_stop();
    EXPECT_TRUE(ClipboardHistorySearch::foldedTexts(unfolded, stop.get_token()).isEmpty())
        << "stopped before the first";
}

TEST(HistoryRowEstimateTest, AnEstimateHoldsAtItsOwnWidthAndWhereverItSaysItHoldsItIsWhatThatWidthGives)
{
    const QString texts[] = {
        QStringLiteral("One line"),
        QStringLiteral("A sentence of many short words that wraps onto a second line and then onto a third one too"),
        QStringLiteral("Anunbrokenwordlongerthananylinethelistcouldeverhaveitbreakswhereveritmust") +
            QStringLiteral("x").repeated(120),
        QStringLiteral("Short\nlines\nof their own\nand a fourth"),
        QStringLiteral("Café naïve crème brûlée, déjà vu: ").repeated(4),
    };
    HistoryRowEstimate estimate;
    for (const QString &text : texts) {
        for (const int width : {200, 333, 470}) {
            const HistoryRowEstimate::Height height = estimate.heightFor(text, width);
            EXPECT_TRUE(HistoryRowEstimate::holds(height, width)) << text.toStdString() << " at " << width;
            EXPECT_FALSE(HistoryRowEstimate::holds(HistoryRowEstimate::measured(height.height), width + 1));
            for (int other = 120; other <= 800; ++other) {
                if (HistoryRowEstimate::holds(height, other)) {
                    EXPECT_EQ(estimate.heightFor(text, other).height, height.height)
                        << text.toStdString() << " estimated at " << width << ", said to hold at " << other;
                }
            }
        }
    }
}

TEST(SearchFoldingTest, FoldsCaseAndDropsDiacriticsWhateverTheForm)
{
    const struct {
        QString text;
        QString folded;
    } cases[] = {
        {QStringLiteral("Hello, World"), QStringLiteral("hello, world")},
        {QStringLiteral("Crème BRÛLÉE"), QStringLiteral("creme brulee")},
        {QStringLiteral("Cre\u0300me"), QStringLiteral("creme")},
        {QStringLiteral("Straße"), QStringLiteral("strasse")},
        {QStringLiteral("İstanbul"), QStringLiteral("istanbul")},
        {QStringLiteral("Ωμέγα 😀"), QStringLiteral("ωμεγα 😀")},
        // Marks after a precomposed letter, a ligature of two letters, a mark with nothing before it.
        {QStringLiteral("E\u0301\u0301x É\u0323"), QStringLiteral("ex e")},
        {QStringLiteral("ǅemal"), QStringLiteral("ǆemal")}, // a compatibility ligature stays whole
        {QStringLiteral("\u0301ĦŁØ"), QStringLiteral("ħłø")},
    };
    for (const auto &row : cases)
        EXPECT_EQ(SearchFolding::fold(row.text), row.folded) << row.text.toStdString();
}

TEST(TextProcessingTest, WordCountAgreesWithTheWordsOnEveryKindOfText)
{
    const QString texts[] = {
        QString(),
        QStringLiteral("   \n\t "),
        QStringLiteral("one"),
        QStringLiteral("  two words \r\n"),
        QStringLiteral("a\u00a0b\u2003c\u3000d"), // no-break, em and ideographic spaces
        QStringLiteral("e\u0301 \u0301x"),        // a mark after a space joins the space's cluster
        QStringLiteral("one \u0300"),             // the lowest mark: no word of its own
        QStringLiteral("a \u20dd b"),             // an enclosing mark between words
        QStringLiteral("👩‍👩‍👧 family 🇩🇪"),
        QStringLiteral("naïve café"),
    };
    for (const QString &text : texts)
        EXPECT_EQ(TextProcessing::wordCount(text), TextProcessing::words(text).size()) << text.toStdString();
    EXPECT_EQ(TextProcessing::wordCount(QStringLiteral("one \u0300")), 1);
    EXPECT_EQ(TextProcessing::wordCount(QStringLiteral("a \u20dd b")), 2);
}

TEST(SymbolLibraryTest, TheHistoryAndWelcomeSymbolsExistAndAFilledOneIsSolidWithItsMarkCutOut)
{
    for (const char *name : {"magnifyingglass", "xmark.circle.fill", "text.alignleft", "pin", "pin.fill", "trash",
                             "clock.arrow.circlepath", "lock", "checkmark.circle.fill", "arrow.up.right"})
        EXPECT_TRUE(SymbolLibrary::contains(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(SymbolLibrary::isFilled(QStringLiteral("pin.fill")));
    EXPECT_FALSE(SymbolLibrary::isFilled(QStringLiteral("pin")));

    QImage picture(100, 100, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    SymbolLibrary::paint(painter, QStringLiteral("xmark.circle.fill"), QRectF(0, 0, 100, 100), Qt::black);
    painter.end();
    EXPECT_EQ(qAlpha(picture.pixel(50, 20)), 255) << "solid between the cross and the rim";
    EXPECT_EQ(qAlpha(picture.pixel(50, 50)), 0) << "the cross is cut out";
    EXPECT_EQ(qAlpha(picture.pixel(2, 2)), 0) << "nothing outside the disc";
}

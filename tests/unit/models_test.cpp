#include "models/CapturePhase.h"
#include "models/CaptureResult.h"
#include "models/MLXTask.h"
#include "models/OCREngine.h"
#include "models/ShortTime.h"
#include "models/TextProcessing.h"
#include "models/TrovError.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

QString fromUcs4(std::initializer_list<char32_t> codePoints)
{
    QString result;
    for (char32_t codePoint : codePoints)
        result.append(QString::fromUcs4(&codePoint, 1));
    return result;
}

} // namespace

TEST(TextProcessingTest, JoinsLinesAndKeepsInnerIndentationWhenAsked)
{
    const QString input = QStringLiteral("  Hello\r\n  world \t");
    EXPECT_EQ(TextProcessing::normalize(input, false), QStringLiteral("Hello world"));
    EXPECT_EQ(TextProcessing::normalize(input, true), QStringLiteral("Hello\n  world"));
}

TEST(TextProcessingTest, LoneCarriageReturnsBecomeLineFeeds)
{
    const QString input = QStringLiteral("a\r\rb");
    EXPECT_EQ(TextProcessing::normalize(input, true), QStringLiteral("a\n\nb"));
    EXPECT_EQ(TextProcessing::normalize(input, false), QStringLiteral("a b"));
    EXPECT_EQ(TextProcessing::normalize(QStringLiteral("a\r\n\r\nb"), true), QStringLiteral("a\n\nb"));
    EXPECT_EQ(TextProcessing::normalize(QStringLiteral("a\n\r\nb"), true), QStringLiteral("a\n\nb"));
}

TEST(TextProcessingTest, WhitespaceOnlyTextBecomesEmpty)
{
    for (bool keep : {true, false})
        EXPECT_EQ(TextProcessing::normalize(QStringLiteral(" \t\r\n \r"), keep), QString());
}

TEST(TextProcessingTest, UnicodeSpacesAreWhitespaceButHyphensAreNot)
{
    const QString input = fromUcs4({0x00A0, 'a', 0x3000, 'b', 0x2028, 'c', 0x0085, 'd', '-', 'e', 0x00A0});
    EXPECT_EQ(TextProcessing::normalize(input, false), QStringLiteral("a b c d-e"));
    EXPECT_EQ(TextProcessing::normalize(input, true), fromUcs4({'a', 0x3000, 'b', 0x2028, 'c', 0x0085, 'd', '-', 'e'}));
}

TEST(TextProcessingTest, ZeroWidthSpaceAndOtherFormatCharactersAreNotWhitespace)
{
    const QString input = fromUcs4({0x200B, 'a', 0x200B});
    EXPECT_EQ(TextProcessing::normalize(input, false), input);
}

TEST(TextProcessingTest, ACombiningMarkAfterASpaceMakesAWhitespaceCharacter)
{
    // " \u0301" is one grapheme cluster whose first code point is a space: it splits words.
    const QString inner = fromUcs4({'a', ' ', 0x0301, 'b'});
    EXPECT_EQ(TextProcessing::normalize(inner, false), QStringLiteral("a b"));
    EXPECT_EQ(TextProcessing::words(inner).size(), 2);
    // Trimming goes code point by code point, so a leading space goes and its mark stays.
    const QString leading = fromUcs4({' ', 0x0301, 'a'});
    EXPECT_EQ(TextProcessing::normalize(leading, true), fromUcs4({0x0301, 'a'}));
    EXPECT_EQ(TextProcessing::normalize(leading, false), fromUcs4({0x0301, 'a'}));
}

TEST(TextProcessingTest, KeepsSurrogatePairsIntact)
{
    const QString input = fromUcs4({0x1F600, ' ', ' ', 0x1F44D, 0x1F3FD, 0x3000});
    EXPECT_EQ(TextProcessing::normalize(input, false), fromUcs4({0x1F600, ' ', 0x1F44D, 0x1F3FD}));
    EXPECT_EQ(TextProcessing::characterCount(fromUcs4({0x1F44D, 0x1F3FD, 'e', 0x0301})), 2);
}

TEST(CaptureResultTest, CountsWordsLikeNormalisationCutsThem)
{
    EXPECT_EQ(CaptureResult(QString(), OCREngine::vision, 0).wordCount(), 0);
    EXPECT_EQ(CaptureResult(QStringLiteral(" \n\t"), OCREngine::vision, 0).wordCount(), 0);
    EXPECT_EQ(CaptureResult(QStringLiteral("one  two\nthree"), OCREngine::vision, 0).wordCount(), 3);
}

TEST(CaptureResultTest, TimingLabelTruncatesMillisecondsAndRoundsSecondsLikePrintf)
{
    const auto timing = [](double elapsed) {
        return CaptureResult(QStringLiteral("x"), OCREngine::mlx, elapsed).timing();
    };
    EXPECT_EQ(timing(0), QStringLiteral("0 ms"));
    EXPECT_EQ(timing(0.4567), QStringLiteral("456 ms"));
    EXPECT_EQ(timing(0.9996), QStringLiteral("999 ms"));
    EXPECT_EQ(timing(1.0), QStringLiteral("1.0 s"));
    EXPECT_EQ(timing(1.96), QStringLiteral("2.0 s"));
    EXPECT_EQ(timing(12.34), QStringLiteral("12.3 s"));
    // 0.25 is exact in binary: printf rounds half to even, QString::number rounds it up.
    EXPECT_EQ(timing(2.25), QStringLiteral("2.2 s"));
    EXPECT_EQ(timing(1.05), QStringLiteral("1.1 s")); // 1.05 is stored just above 1.05
}

TEST(CaptureResultTest, TimingLabelIgnoresTheLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE"))
        GTEST_SKIP() << "no German locale installed";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString label = CaptureResult(QStringLiteral("x"), OCREngine::vision, 3.14).timing();
    std::setlocale(LC_NUMERIC, previous.c_str());
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(label, QStringLiteral("3.1 s"));
}

TEST(CaptureResultTest, NewResultsHaveDistinctIdentifiers)
{
    const CaptureResult first(QStringLiteral("a"), OCREngine::vision, 0.1);
    const CaptureResult second(QStringLiteral("a"), OCREngine::vision, 0.1);
    EXPECT_NE(first.id, second.id);
    EXPECT_TRUE(first.date.isValid());
}

TEST(EnumerationTest, RawValuesAreExactAndCaseSensitive)
{
    EXPECT_EQ(OCREngine::fromRawValue(u"vision"), OCREngine(OCREngine::vision));
    EXPECT_EQ(OCREngine::fromRawValue(u"mlx"), OCREngine(OCREngine::mlx));
    EXPECT_FALSE(OCREngine::fromRawValue(u"Vision").has_value());
    EXPECT_FALSE(OCREngine::fromRawValue(u"MLX").has_value());
    EXPECT_FALSE(MLXTask::fromRawValue(u"Table").has_value());
    EXPECT_EQ(MLXTask::fromRawValue(u"table"), MLXTask(MLXTask::table));
    EXPECT_EQ(OCREngine(OCREngine::vision).title(), QStringLiteral("Apple Vision"));
    EXPECT_EQ(OCREngine(OCREngine::mlx).title(), QStringLiteral("Local MLX"));
    EXPECT_EQ(OCREngine(OCREngine::vision).symbol(), QStringLiteral("apple.logo"));
    EXPECT_EQ(OCREngine(OCREngine::mlx).symbol(), QStringLiteral("cpu"));
    QStringList titles;
    for (MLXTask task : MLXTask::allCases())
        titles << task.title();
    EXPECT_EQ(titles, QStringList({"Text", "Formula", "Table"}));
}

TEST(CapturePhaseTest, RecognizingPhasesDifferByEngineAndAreBusy)
{
    const auto vision = CapturePhase::recognizingWith(OCREngine::vision);
    const auto mlx = CapturePhase::recognizingWith(OCREngine::mlx);
    EXPECT_NE(vision, mlx);
    EXPECT_NE(qHash(vision), qHash(mlx));
    EXPECT_TRUE(vision.isBusy());
    EXPECT_TRUE(mlx.isBusy());
    EXPECT_TRUE(CapturePhase::selectingPhase().isBusy());
    for (const auto &phase : {CapturePhase::idlePhase(), CapturePhase::copiedPhase(), CapturePhase::cancelledPhase(),
                              CapturePhase::failedPhase()})
        EXPECT_FALSE(phase.isBusy());
    EXPECT_EQ(CapturePhase(), CapturePhase::idlePhase());
}

TEST(TrovErrorTest, MessagesAreExact)
{
    EXPECT_EQ(TrovError::of(TrovError::permission).errorDescription(),
              QStringLiteral("Allow Screen Recording for Ravelond in System Settings, then try again. You may "
                             "need to quit and reopen Ravelond."));
    EXPECT_EQ(TrovError::of(TrovError::cancelled).errorDescription(), QStringLiteral("Capture cancelled."));
    EXPECT_EQ(
        TrovError::of(TrovError::noText).errorDescription(),
        QStringLiteral("No text found. Try a tighter selection or a sharper image. Your clipboard is unchanged."));
    EXPECT_EQ(TrovError::of(TrovError::invalidImage).errorDescription(),
              QStringLiteral("This image could not be opened. Try a PNG, JPEG, TIFF or HEIC image."));
    EXPECT_EQ(TrovError::of(TrovError::mlxNotReady).errorDescription(),
              QStringLiteral("Set up the local MLX engine in Settings first. Apple Vision is ready to use now."));
    EXPECT_EQ(
        TrovError::of(TrovError::truncated).errorDescription(),
        QStringLiteral("The model reached its output limit. Select a smaller area. Your clipboard is unchanged."));
    EXPECT_EQ(TrovError::of(TrovError::clipboard).errorDescription(),
              QStringLiteral("The clipboard could not be updated. Your result is available in the result window."));
    EXPECT_EQ(TrovError::of(TrovError::visionBusy).errorDescription(),
              QStringLiteral("Apple Vision is still finishing the previous request. Try again shortly. Your "
                             "clipboard is unchanged."));
    EXPECT_EQ(TrovError::mlxFailure(QStringLiteral("boom")).errorDescription(), QStringLiteral("boom"));
    EXPECT_EQ(TrovError::captureFailure(QStringLiteral("grab failed")).errorDescription(),
              QStringLiteral("grab failed"));
    EXPECT_EQ(TrovError::platformFailure(QStringLiteral("No such file")).errorDescription(),
              QStringLiteral("No such file"));
    EXPECT_STREQ(TrovError::of(TrovError::cancelled).what(), "Capture cancelled.");
    EXPECT_TRUE(TrovError::of(TrovError::cancelled).isCancellation());
    EXPECT_TRUE(TrovError::of(TrovError::taskCancelled).isCancellation());
    EXPECT_FALSE(TrovError::of(TrovError::noText).isCancellation());
}

TEST(ShortTimeTest, EveryLocaleWritesHoursAndMinutesWithoutSeconds)
{
    const QTime time(7, 33, 8);
    const struct {
        const char *locale;
        QString text;
    } cases[] = {
        {"C", QStringLiteral("07:33")},    {"en_US", QStringLiteral("7:33 AM")},   {"de_DE", QStringLiteral("07:33")},
        {"fi_FI", QStringLiteral("7.33")}, {"ko_KR", QStringLiteral("오전 7:33")}, {"en_GB", QStringLiteral("07:33")},
    };
    for (const auto &row : cases)
        EXPECT_EQ(ShortTime::text(time, QLocale(QString::fromLatin1(row.locale))), row.text) << row.locale;
    // Every locale Qt knows: never a seconds field, always the hour and the minutes.
    for (const QLocale &locale :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyCountry)) {
        const QString format = ShortTime::format(locale);
        EXPECT_FALSE(format.contains(u's')) << locale.name().toStdString() << " " << format.toStdString();
        EXPECT_TRUE(format.contains(u'm') && format.contains(u'h', Qt::CaseInsensitive)) << locale.name().toStdString();
    }
}

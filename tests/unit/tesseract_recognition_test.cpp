#include "models/TextProcessing.h"
#include "models/TrovError.h"
#include "services/ImageLoader.h"
#include "services/TesseractLanguages.h"
#include "services/TesseractRecognizer.h"
#include "services/VisionOCR.h"
#include "support/Await.h"
#include "support/Gate.h"
#include "support/ImageFixtures.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QString twoLines = QStringLiteral("Invoice 2024 total 1348\nThe quick brown fox");

// Real Tesseract, one engine for the whole suite (loading it is the slow part).
class TesseractRecognitionTest : public ::testing::Test {
protected:
    static OCRResponse read(const QImage &image, const QString &language = QStringLiteral("eng"))
    {
        return await(VisionOCR::recognize(image, language));
    }
};

} // namespace

TEST_F(TesseractRecognitionTest, ReadsLinesInOrderJoinedBySingleLineFeeds)
{
    const OCRResponse response = read(ImageFixtures::text(twoLines, 24));
    EXPECT_EQ(response.text, twoLines);
    EXPECT_FALSE(response.truncated);
}

TEST_F(TesseractRecognitionTest, SmallScreenTextIsRead)
{
    for (int pixelSize : {9, 11}) {
        const OCRResponse response = read(ImageFixtures::text(twoLines, pixelSize));
        EXPECT_EQ(response.text, twoLines) << pixelSize << " px";
    }
}

TEST_F(TesseractRecognitionTest, ATransparentPngReadsLikeTheSameTextOnWhite)
{
    const QTemporaryDir folder(TestEnvironment::temporaryDirectory() + QStringLiteral("/ocr-XXXXXX"));
    const QString file = ImageFixtures::write(
        folder.filePath(QStringLiteral("transparent.png")),
        ImageFixtures::encoded(ImageFixtures::text(twoLines, 20, Qt::black, Qt::transparent), "png"));
    const QImage transparent = await(ImageLoader::load(file));
    ASSERT_TRUE(transparent.hasAlphaChannel());
    // Transparent pixels are black underneath; unflattened, this page would
    // be black text on black.
    ASSERT_EQ(qAlpha(transparent.pixel(0, 0)), 0);

    const QString onWhite = read(ImageFixtures::text(twoLines, 20)).text;
    EXPECT_EQ(onWhite, twoLines);
    EXPECT_EQ(read(transparent).text, onWhite);
    EXPECT_EQ(TesseractRecognizer::flattenedOntoWhite(transparent).pixel(0, 0), qRgb(255, 255, 255));
}

TEST_F(TesseractRecognitionTest, LightTextOnADarkBackgroundIsRead)
{
    const QImage dark = ImageFixtures::text(twoLines, 16, QColor(230, 230, 230), QColor(30, 30, 30));
    EXPECT_TRUE(TesseractRecognizer::hasDarkBackground(dark.convertToFormat(QImage::Format_RGB888)));
    EXPECT_EQ(read(dark).text, twoLines);
}

TEST_F(TesseractRecognitionTest, ABlankImageGivesEmptyTextNotAnError)
{
    QImage blank(300, 120, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const OCRResponse response = read(blank);
    EXPECT_EQ(response.text, QString());
    EXPECT_FALSE(response.truncated);
}

TEST_F(TesseractRecognitionTest, AnUnknownLanguageIsAClearErrorAndFreesTheSlot)
{
    for (const QString &unknown : {QStringLiteral("xx_none"), QStringLiteral("ENG"), QString()}) {
        try {
            read(ImageFixtures::text(twoLines, 20), unknown);
            ADD_FAILURE() << "no error for " << unknown.toStdString();
        } catch (const TrovError &error) {
            EXPECT_EQ(error.kind(), TrovError::platform);
            EXPECT_EQ(error.errorDescription(),
                      QStringLiteral("The text recognition language “%1” is not installed.").arg(unknown));
        }
    }
    EXPECT_EQ(read(ImageFixtures::text(twoLines, 20)).text, twoLines);
}

TEST_F(TesseractRecognitionTest, AutoUsesInstalledLanguagesOnly)
{
    const QStringList installed = VisionOCR::supportedLanguages();
    ASSERT_TRUE(installed.contains(QStringLiteral("eng")));
    EXPECT_FALSE(installed.contains(QStringLiteral("osd")));
    EXPECT_FALSE(installed.contains(QStringLiteral("equ")));

    const QStringList chosen = TesseractLanguages::resolve(QStringLiteral("auto")).split(QLatin1Char('+'));
    EXPECT_TRUE(chosen.contains(QStringLiteral("eng")));
    EXPECT_LE(chosen.size(), TesseractLanguages::automaticLimit);
    for (const QString &code : chosen)
        EXPECT_TRUE(installed.contains(code)) << code.toStdString();
    EXPECT_EQ(read(ImageFixtures::text(twoLines, 20), QStringLiteral("auto")).text, twoLines);
}

TEST_F(TesseractRecognitionTest, ACancelledRecognitionStopsAndTheEngineStaysUsable)
{
    // A page long enough that Tesseract is still busy when the stop arrives.
    QStringList lines;
    for (int i = 0; i < 60; ++i)
        lines.append(QStringLiteral("Line %1 of a long page with quite a few words on it").arg(i));
    const QImage page = ImageFixtures::text(lines.join(QLatin1Char('\n')), 14);

    auto recognizer = std::make_shared<TesseractRecognizer>();
    Gate started;
    std::atomic<bool> stoppedEarly{false};
    VisionOCR ocr([&](const QImage &image, TextRecognitionRequest &request) {
        started.open();
        try {
            return recognizer->recognize(image, request);
        } catch (const TrovError &error) {
            stoppedEarly = error.kind() == TrovError::taskCancelled;
            throw;
        }
    });
    std::stop_source stop;
    QCoro::Task<OCRResponse> reading = ocr.read(page, QStringLiteral("eng"), stop.get_token());
    started.wait();
    stop.request_stop();
    EXPECT_THROW(await(std::move(reading)), TrovError);

    // The slot frees once Tesseract has noticed the stop.
    OCRResponse next;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            try {
                next = await(ocr.read(ImageFixtures::text(twoLines, 20), QStringLiteral("eng")));
                return true;
            } catch (const TrovError &) {
                return false;
            }
        },
        60000));
    EXPECT_TRUE(stoppedEarly);
    EXPECT_EQ(next.text, twoLines);
}

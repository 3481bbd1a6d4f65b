#include "models/TextProcessing.h"
#include "models/TrovError.h"
#include "services/ImageLoader.h"
#include "services/TesseractEngines.h"
#include "services/TesseractLanguages.h"
#include "services/TesseractRecognizer.h"
#include "services/VisionOCR.h"
#include "support/Await.h"
#include "support/Gate.h"
#include "support/ImageFixtures.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <pthread.h>
#include <thread>

namespace {

const QString twoLines = QStringLiteral("Invoice 2024 total 1348\nThe quick brown fox");

// Awaits a read and gives its text, or names its failure.
QString textOrFailure(QCoro::Task<OCRResponse> task)
{
    try {
        return await(std::move(task)).text;
    } catch (const TrovError &error) {
        return QStringLiteral("failed: %1").arg(error.kind());
    }
}

// Real Tesseract, one engine for the whole suite (loading it is the slow part).
class TesseractRecognitionTest : public ::testing::Test {
protected:
    static OCRResponse read(const QImage &image, const QString &language = QStringLiteral("eng"))
    {
        return await(VisionOCR::recognize(image, language));
    }
};

// One control of a screen crop: a label, on a filled rounded rectangle when
// `fill` is valid, after a checkbox when `toggle` is set.
struct Control {
    QString label;
    QColor ink;
    QColor fill = QColor();
    std::optional<bool> toggle = std::nullopt; // ticked or not
};

QImage screenCrop(QColor page, const QList<QList<Control>> &rows, int pixelSize = 13)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    const int rowHeight = metrics.height() * 2;
    QImage image(40 * pixelSize, int(rows.size()) * rowHeight + 2 * pixelSize, QImage::Format_RGB32);
    image.fill(page);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font);
    for (int row = 0; row < rows.size(); ++row) {
        int x = pixelSize;
        const int top = pixelSize + row * rowHeight;
        for (const Control &control : rows[row]) {
            if (control.toggle) {
                const QRectF box(x, top + (rowHeight - pixelSize) / 2.0, pixelSize, pixelSize);
                painter.setPen(*control.toggle ? QPen(Qt::NoPen) : QPen(QColor(0x8e, 0x8e, 0x93)));
                painter.setBrush(*control.toggle ? QColor(0x0a, 0x84, 0xff) : QColor(Qt::transparent));
                painter.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
                painter.setBrush(Qt::white);
                if (*control.toggle)
                    painter.drawEllipse(box.center(), pixelSize * 0.18, pixelSize * 0.18);
                x += pixelSize * 3 / 2;
            }
            const int width = metrics.horizontalAdvance(control.label) + (control.fill.isValid() ? 2 * pixelSize : 0);
            const QRect area(x, top + pixelSize / 4, width, rowHeight - pixelSize / 2);
            if (control.fill.isValid()) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(control.fill);
                painter.drawRoundedRect(area, pixelSize * 0.35, pixelSize * 0.35);
            }
            painter.setPen(control.ink);
            painter.drawText(area, int(control.fill.isValid() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter),
                             control.label);
            x += width + pixelSize;
        }
    }
    return image;
}

} // namespace

// How many threads of this process bear `name`. A thread starts with the
// name of the thread that made it.
int threadsNamed(const QByteArray &name)
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    int count = 0;
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            ++count;
    }
    return count;
}

TEST_F(TesseractRecognitionTest, APageIsReadOnItsOwnThreadAloneWhicheverThreadRunsIt)
{
    // Tesseract's OpenMP teams would start threads of their own at the first
    // line a thread reads, and keep them as long as that thread lives. A
    // thread the OpenMP runtime has not seen before starts with its defaults.
    TesseractEngines engines;
    const QImage page = ImageFixtures::text(twoLines, 24);
    QString text;
    int readers = -1;
    std::thread reader([&] {
        pthread_setname_np(pthread_self(), "page reader");
        TextRecognitionRequest request(QStringLiteral("eng"));
        text = engines.recognize(page, request).text;
        readers = threadsNamed("page reader");
    });
    reader.join();
    EXPECT_EQ(text, twoLines);
    EXPECT_EQ(readers, 1);
}

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

TEST_F(TesseractRecognitionTest, InterfaceCropsWithMixedPolarityReadLikePlainText)
{
    const QColor white(Qt::white), ink(0x1d, 0x1d, 0x1f), light(0xf2, 0xf2, 0xf7), blue(0x0a, 0x84, 0xff);
    const struct {
        const char *name;
        QImage crop;
        QString expected;
    } cases[] = {
        {"white labels on coloured buttons",
         screenCrop(white, {{{"Save changes", white, blue},
                             {"Discard", white, QColor(0xff, 0x3b, 0x30)},
                             {"Export", white, QColor(0x34, 0xc7, 0x59)}}}),
         QStringLiteral("Save changes Discard Export")},
        {"a dark dialog's button row",
         screenCrop(QColor(0x2c, 0x2c, 0x2e),
                    {{{"Quit without saving?", light}},
                     {{"Cancel", light, QColor(0x48, 0x48, 0x4a)}, {"Delete", white, QColor(0xff, 0x45, 0x3a)}}},
                    14),
         QStringLiteral("Quit without saving?\nCancel Delete")},
        {"a menu with a highlighted item",
         screenCrop(white, {{{"Copy", ink}}, {{"Paste as plain text", white, blue}}, {{"Select All", ink}}}, 12),
         QStringLiteral("Copy\nPaste as plain text\nSelect All")},
        {"radio buttons in front of their labels",
         screenCrop(
             QColor(0x1e, 0x1e, 0x1e),
             {{{"Daily", light, QColor(), true}}, {{"Weekly", light, QColor(), false}}, {{"© 2024 Acme", light}}}, 12),
         QStringLiteral("Daily\nWeekly\n© 2024 Acme")},
    };
    for (const auto &example : cases)
        EXPECT_EQ(read(example.crop).text.toStdString(), example.expected.toStdString()) << example.name;
}

TEST_F(TesseractRecognitionTest, TextAtTheEdgesOfAMostlyEmptyCropIsRead)
{
    // The empty middle is cut away before recognition; the corners are not.
    QImage crop(1000, 300, QImage::Format_RGB32);
    crop.fill(Qt::white);
    QPainter painter(&crop);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    painter.setFont(font);
    painter.setPen(QColor(0x8e, 0x8e, 0x93)); // secondary grey
    painter.drawText(QRect(2, 2, 300, 20), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Top left corner"));
    painter.drawText(QRect(698, 278, 300, 20), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Bottom right corner"));
    painter.end();
    EXPECT_EQ(read(crop).text.toStdString(), "Top left corner\nBottom right corner");
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
    const QStringList installed = TesseractLanguages::installed();
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

TEST(TesseractLanguagesTest, AutoTakesTheUsersLanguagesAndEnglishAndNothingUnrelated)
{
    const struct {
        QStringList installed, user, expected;
    } cases[] = {
        {{"chi_tra", "deu", "eng"}, {"ita"}, {"eng"}},
        {{"deu", "eng", "fra"}, {"deu"}, {"deu", "eng"}},
        {{"deu", "eng", "fra", "ita"}, {"fra", "ita", "deu"}, {"fra", "ita", "eng"}},
        {{"deu", "fra"}, {"ita"}, {"deu"}},
        {{"eng", "nor"}, {TesseractLanguages::tesseractCode(QLocale(QStringLiteral("nb_NO")))}, {"nor", "eng"}},
    };
    for (const auto &example : cases) {
        EXPECT_EQ(TesseractLanguages::automaticSelection(example.installed, example.user), example.expected)
            << example.user.join(QLatin1Char(',')).toStdString();
    }
    EXPECT_EQ(TesseractLanguages::tesseractCode(QLocale(QStringLiteral("nn_NO"))), QStringLiteral("nor"));
}

TEST_F(TesseractRecognitionTest, ACancelledPageFreesTheSlotAtOnceAndStopsAtTheNextCheck)
{
    // 12 megapixels of texture: Tesseract's page analysis alone takes seconds,
    // and it never checks for a cancellation.
    const QImage page = ImageFixtures::noise(QSize(4000, 3000));
    auto engines = std::make_shared<TesseractEngines>();
    Gate started;
    Gate ended;
    std::atomic<int> calls{0};
    std::atomic<bool> stoppedEarly{false};
    VisionOCR ocr([&](const QImage &image, TextRecognitionRequest &request) {
        const bool first = calls++ == 0;
        if (first)
            started.open();
        try {
            OCRResponse response = engines->recognize(image, request);
            if (first)
                ended.open();
            return response;
        } catch (const TrovError &error) {
            if (first) {
                stoppedEarly = error.kind() == TrovError::taskCancelled;
                ended.open();
            }
            throw;
        }
    });
    std::stop_source stop;
    QCoro::Task<OCRResponse> reading = ocr.read(page, QStringLiteral("eng"), stop.get_token());
    started.wait();
    stop.request_stop();
    EXPECT_EQ(textOrFailure(std::move(reading)), QStringLiteral("failed: %1").arg(TrovError::taskCancelled));

    // Accepted at once, on an engine of its own, whether the cancelled page
    // has stopped yet or not.
    EXPECT_EQ(textOrFailure(ocr.read(ImageFixtures::text(twoLines, 20), QStringLiteral("eng"))), twoLines);

    ended.wait();
    EXPECT_TRUE(stoppedEarly);
    EXPECT_EQ(textOrFailure(ocr.read(ImageFixtures::text(twoLines, 20), QStringLiteral("eng"))), twoLines);
}

TEST_F(TesseractRecognitionTest, AHugePageReadsItsTextAndATextureWithoutTextGivesNone)
{
    // Grain everywhere, as in a photo, and one line of text.
    QImage photo(4000, 3000, QImage::Format_RGB32);
    const QImage grain = ImageFixtures::noise(photo.size(), 9);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(200 + qRed(grain.pixel(x, y)) / 10, 200 + qGreen(grain.pixel(x, y)) / 10, 200));
    }
    QPainter painter(&photo);
    painter.drawImage(1500, 1400, ImageFixtures::text(QStringLiteral("Harbour Road 12"), 60));
    painter.end();

    const struct {
        const char *name;
        QImage page;
        QString text;
    } cases[] = {
        {"photo", photo, QStringLiteral("Harbour Road 12")},
        {"noise", ImageFixtures::noise(QSize(4000, 3000), 5), QString()},
        // Crop-sized, but without a ground like a window's.
        {"noise crop", ImageFixtures::noise(QSize(1000, 800), 6), QString()},
    };
    // As the application model sees it: nothing left is "no text".
    for (const auto &example : cases)
        EXPECT_EQ(TextProcessing::normalize(read(example.page).text, true), example.text) << example.name;
}

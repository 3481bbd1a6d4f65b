#include "models/TrovError.h"
#include "services/ImageLoader.h"
#include "support/Await.h"
#include "support/ImageFixtures.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ImageLoaderTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return folder_.filePath(name); }

    QString fixture(const QString &name, const QByteArray &bytes) const
    {
        return ImageFixtures::write(path(name), bytes);
    }

    static void expectInvalid(const QString &file)
    {
        try {
            await(ImageLoader::load(file));
            ADD_FAILURE() << "loaded " << file.toStdString();
        } catch (const TrovError &error) {
            EXPECT_EQ(error.kind(), TrovError::invalidImage) << file.toStdString();
            EXPECT_EQ(error.errorDescription(),
                      QStringLiteral("This image could not be opened. Try a PNG, JPEG, TIFF or HEIC image."));
        }
    }

    // A picture with detail everywhere, so every truncation cuts pixel data.
    static QImage busyPicture()
    {
        QImage image(160, 120, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb((x * 7) % 256, (y * 13) % 256, (x * y) % 256));
        }
        return image;
    }

    static QByteArray inFormat(const QImage &image, const char *format)
    {
        return qstrcmp(format, "gif") == 0 ? ImageFixtures::gif({image}) : ImageFixtures::encoded(image, format);
    }

    QTemporaryDir folder_{TestEnvironment::temporaryDirectory() + QStringLiteral("/loader-XXXXXX")};
};

const char *const everyFormat[] = {"png", "jpeg", "tiff", "webp", "gif", "bmp", "xbm"};

} // namespace

TEST_F(ImageLoaderTest, LoadsEverySupportedFormatAtFullSize)
{
    const QImage picture = busyPicture();
    for (const char *format : everyFormat) {
        const QString file = fixture(QStringLiteral("picture.") + QLatin1String(format), inFormat(picture, format));
        const QImage loaded = await(ImageLoader::load(file));
        EXPECT_EQ(loaded.size(), picture.size()) << format;
    }
}

TEST_F(ImageLoaderTest, TruncatedFilesOfEveryFormatAreInvalid)
{
    const QImage picture = busyPicture();
    for (const char *format : everyFormat) {
        const QByteArray whole = inFormat(picture, format);
        for (double kept : {0.3, 0.6, 0.9}) {
            const QByteArray cut = whole.left(qsizetype(double(whole.size()) * kept));
            expectInvalid(fixture(QStringLiteral("cut-%1.%2").arg(kept).arg(QLatin1String(format)), cut));
        }
    }
}

TEST_F(ImageLoaderTest, AJpegMissingOnlyItsEndMarkerIsInvalid)
{
    const QByteArray whole = ImageFixtures::encoded(busyPicture(), "jpeg");
    ASSERT_TRUE(whole.endsWith("\xFF\xD9"));
    expectInvalid(fixture(QStringLiteral("no-eoi.jpg"), whole.chopped(2)));
}

TEST_F(ImageLoaderTest, CorruptHeadersOfEveryFormatAreInvalid)
{
    const QImage picture = busyPicture();
    for (const char *format : everyFormat) {
        QByteArray bytes = inFormat(picture, format);
        // Keep the signature, scramble the header and everything after it.
        for (qsizetype i = 4; i < bytes.size(); ++i)
            bytes[i] = char((i * 151) & 0xFF);
        expectInvalid(fixture(QStringLiteral("corrupt.") + QLatin1String(format), bytes));
    }
}

TEST_F(ImageLoaderTest, MissingEmptyAndNonImageFilesAreInvalid)
{
    expectInvalid(path(QStringLiteral("missing.png")));
    expectInvalid(fixture(QStringLiteral("empty.png"), QByteArray()));
    expectInvalid(fixture(QStringLiteral("notes.png"), "This is a text file, not a picture.\n"));
    expectInvalid(folder_.path());
}

TEST_F(ImageLoaderTest, TheContentDecidesTheFormatNotTheExtension)
{
    const QString file = fixture(QStringLiteral("actually-a-jpeg.png"), ImageFixtures::encoded(busyPicture(), "jpeg"));
    EXPECT_EQ(await(ImageLoader::load(file)).size(), QSize(160, 120));
}

TEST_F(ImageLoaderTest, ExactlyFortyMillionPixelsLoadAndOneRowMoreIsRefused)
{
    // A colour JPEG decodes to 32 bits per pixel: 160 MB, above Qt's default
    // allocation limit.
    QImage largest(8000, 5000, QImage::Format_RGB32);
    largest.fill(qRgb(200, 30, 30));
    const QString largestFile = fixture(QStringLiteral("largest.jpg"), ImageFixtures::encoded(largest, "jpeg"));
    largest = QImage();
    EXPECT_EQ(await(ImageLoader::load(largestFile)).size(), QSize(8000, 5000));

    // The limit is checked before decoding, so one bit per pixel will do here.
    QImage tooLarge(8000, 5001, QImage::Format_Mono);
    tooLarge.fill(1);
    expectInvalid(fixture(QStringLiteral("too-large.png"), ImageFixtures::encoded(tooLarge, "png")));
}

TEST_F(ImageLoaderTest, ASidewaysJpegWithAnOrientationTagLoadsUpright)
{
    // Stored 40 x 20: dark top half, light bottom half. Orientation 6 means
    // "rotate 90 degrees clockwise to display", so the dark half ends up right.
    QImage stored(40, 20, QImage::Format_RGB32);
    stored.fill(Qt::white);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 40; ++x)
            stored.setPixel(x, y, qRgb(0, 0, 0));
    }
    const QImage loaded = await(
        ImageLoader::load(fixture(QStringLiteral("sideways.jpg"), ImageFixtures::jpegWithOrientation(stored, 6))));
    ASSERT_EQ(loaded.size(), QSize(20, 40));
    EXPECT_LT(qGray(loaded.pixel(16, 20)), 64);
    EXPECT_GT(qGray(loaded.pixel(3, 20)), 192);
}

TEST_F(ImageLoaderTest, OnlyTheFirstImageOfAnAnimationIsRead)
{
    QImage dark(30, 20, QImage::Format_Grayscale8);
    dark.fill(20);
    QImage light(30, 20, QImage::Format_Grayscale8);
    light.fill(230);
    const QImage loaded =
        await(ImageLoader::load(fixture(QStringLiteral("two.gif"), ImageFixtures::gif({dark, light}))));
    ASSERT_EQ(loaded.size(), QSize(30, 20));
    EXPECT_EQ(qGray(loaded.pixel(10, 10)), 20);
}

#include "models/TrovError.h"
#include "services/ImageLoader.h"
#include "support/Await.h"
#include "support/ImageFixtures.h"
#include "support/Patience.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include <sys/stat.h>

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
        expectInvalidWhen([&] { return await(ImageLoader::load(file)); }, file.toStdString());
    }

    static void expectInvalidWhen(const std::function<QImage()> &load, const std::string &what)
    {
        try {
            load();
            ADD_FAILURE() << "loaded " << what;
        } catch (const TrovError &error) {
            EXPECT_EQ(error.kind(), TrovError::invalidImage) << what;
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

TEST_F(ImageLoaderTest, SidewaysPicturesWithAnOrientationLoadUpright)
{
    // Stored 40 x 20: dark top half, light bottom half. Orientation 6 means
    // "rotate 90 degrees clockwise to display", so the dark half ends up right.
    QImage stored(40, 20, QImage::Format_RGB32);
    stored.fill(Qt::white);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 40; ++x)
            stored.setPixel(x, y, qRgb(0, 0, 0));
    }
    const struct {
        const char *name;
        QByteArray bytes;
    } files[] = {
        {"sideways.jpg", ImageFixtures::jpegWithOrientation(stored, 6)},
        {"sideways.png", ImageFixtures::pngWithOrientation(stored, 6)},
        {"sideways.webp", ImageFixtures::webpWithOrientation(stored, 6)},
        {"sideways.heic", ImageFixtures::heic(stored, 6)},
    };
    for (const auto &file : files) {
        const QImage loaded = await(ImageLoader::load(fixture(QLatin1String(file.name), file.bytes)));
        ASSERT_EQ(loaded.size(), QSize(20, 40)) << file.name;
        EXPECT_LT(qGray(loaded.pixel(16, 20)), 64) << file.name;
        EXPECT_GT(qGray(loaded.pixel(3, 20)), 192) << file.name;
    }
}

TEST_F(ImageLoaderTest, AHeicLoadsItsPrimaryImageNotItsPreview)
{
    const QImage picture = busyPicture();
    const QImage loaded = await(
        ImageLoader::load(fixture(QStringLiteral("photo.heic"), ImageFixtures::heic(picture, 1, /*thumbnail=*/true))));
    ASSERT_EQ(loaded.size(), picture.size());
    // Lossy, but close to the original.
    EXPECT_NEAR(qGray(loaded.pixel(80, 60)), qGray(picture.pixel(80, 60)), 24);
}

TEST_F(ImageLoaderTest, CorruptTruncatedAndOversizedHeicFilesAreInvalid)
{
    const QByteArray whole = ImageFixtures::heic(busyPicture());
    for (double kept : {0.05, 0.5, 0.95})
        expectInvalid(fixture(QStringLiteral("cut-%1.heic").arg(kept), whole.left(qsizetype(whole.size() * kept))));
    QByteArray scrambled = whole;
    for (qsizetype i = 32; i < scrambled.size(); ++i)
        scrambled[i] = char((i * 151) & 0xFF);
    expectInvalid(fixture(QStringLiteral("corrupt.heic"), scrambled));

    // The size stored in the "ispe" box is checked before anything is decoded.
    QByteArray oversized = whole;
    const qsizetype box = oversized.indexOf("ispe");
    ASSERT_GT(box, 0);
    const QByteArray size("\x00\x00\x1f\x40\x00\x00\x13\x89", 8); // 8000 x 5001
    oversized.replace(box + 8, 8, size);
    expectInvalid(fixture(QStringLiteral("oversized.heic"), oversized));
}

TEST_F(ImageLoaderTest, FilesThatAreNotRegularAreRefusedAtOnce)
{
    const QString fifo = path(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &file : {fifo, QStringLiteral("/dev/zero"), folder_.path()}) {
        // Without a writer, opening the FIFO would wait forever: give the
        // load a few seconds, then let a writer in so that it can end.
        QCoro::Task<QImage> loading = ImageLoader::load(file);
        const bool ended = QTest::qWaitFor([&] { return loading.isReady(); }, 5000);
        if (!ended)
            QFile(fifo).open(QIODevice::WriteOnly);
        EXPECT_TRUE(ended) << file.toStdString();
        EXPECT_THROW(await(std::move(loading)), TrovError) << file.toStdString();
    }
}

TEST_F(ImageLoaderTest, ARegularFileThatReportsNoSizeIsReadToItsEnd)
{
    // procfs, like some FUSE and network file systems, reports no size: a
    // child's command line, whose first argument is a plain-text bitmap, is
    // such a file.
    QProcess child;
    child.start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("exec -a \"$0\" sleep 60"),
                                         QStringLiteral("P1\n3 2\n1 0 1\n0 1 0\n")});
    ASSERT_TRUE(child.waitForStarted());
    const QString cmdline = QStringLiteral("/proc/%1/cmdline").arg(child.processId());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QFile file(cmdline);
            return file.open(QIODevice::ReadOnly) && file.readAll().startsWith("P1");
        },
        Patience::untilHung));
    const QImage loaded = await(ImageLoader::load(cmdline));
    child.kill();
    child.waitForFinished();
    ASSERT_EQ(loaded.size(), QSize(3, 2));
    EXPECT_EQ(qGray(loaded.pixel(0, 0)), 0);
    EXPECT_EQ(qGray(loaded.pixel(1, 0)), 255);
}

TEST_F(ImageLoaderTest, AnIconHoldingAPngAboveTheLimitIsInvalid)
{
    // The directory says 256 x 256; the PNG inside decodes to 6400 x 6400.
    QImage large(6400, 6400, QImage::Format_Mono);
    large.fill(1);
    expectInvalid(
        fixture(QStringLiteral("large.ico"), ImageFixtures::iconHoldingPng(ImageFixtures::encoded(large, "png"))));
    QImage small(300, 200, QImage::Format_RGB32);
    small.fill(Qt::red);
    const QString icon =
        fixture(QStringLiteral("small.ico"), ImageFixtures::iconHoldingPng(ImageFixtures::encoded(small, "png")));
    EXPECT_EQ(await(ImageLoader::load(icon)).size(), QSize(300, 200));
}

TEST_F(ImageLoaderTest, EveryTypeOfferedToTheOpenDialogLoads)
{
    const QStringList offered = ImageLoader::supportedMimeTypes();
    EXPECT_FALSE(offered.contains(QStringLiteral("image/x-tga")));
    EXPECT_FALSE(offered.contains(QStringLiteral("image/x-mng")));
    const QImage picture = busyPicture();
    for (const QString &type : offered) {
        QByteArray bytes;
        if (type == QLatin1String("image/heic") || type == QLatin1String("image/heif"))
            bytes = ImageFixtures::heic(picture);
        else if (type == QLatin1String("image/gif"))
            bytes = ImageFixtures::gif({picture});
        else
            bytes = ImageFixtures::encoded(picture, QImageReader::imageFormatsForMimeType(type.toLatin1()).first());
        try {
            EXPECT_FALSE(await(ImageLoader::load(fixture(QStringLiteral("offered"), bytes))).isNull());
        } catch (const TrovError &) {
            ADD_FAILURE() << type.toStdString() << " does not load";
        }
    }
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

namespace {

// What another program may do to a file while we read it.
struct FileChange {
    const char *name;
    std::function<void(const QString &path, const QByteArray &other)> apply;
};

const FileChange fileChanges[] = {
    {"truncated",
     [](const QString &path, const QByteArray &) { ASSERT_TRUE(QFile::resize(path, QFileInfo(path).size() / 2)); }},
    // As `cp` does: the same file, emptied and written again.
    {"rewritten", [](const QString &path, const QByteArray &other) { ImageFixtures::write(path, other); }},
    // As an editor saving atomically does: a new file under the old name.
    {"replaced",
     [](const QString &path, const QByteArray &other) {
         const QString fresh = ImageFixtures::write(path + QStringLiteral(".new"), other);
         ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()), 0);
     }},
    {"deleted", [](const QString &path, const QByteArray &) { ASSERT_TRUE(QFile::remove(path)); }},
};

} // namespace

TEST_F(ImageLoaderTest, AFileChangedWhileItIsReadOrDecodedIsInvalid)
{
    // Every change, met after the first chunk was read and again after the
    // decode: never a crash, never a picture made of two files.
    const QImage picture = busyPicture();
    const QImage other = picture.mirrored(true, true);
    for (const char *format : {"png", "jpeg", "tiff", "heic"}) {
        const bool heic = qstrcmp(format, "heic") == 0;
        const QByteArray bytes = heic ? ImageFixtures::heic(picture) : ImageFixtures::encoded(picture, format);
        const QByteArray otherBytes = heic ? ImageFixtures::heic(other) : ImageFixtures::encoded(other, format);
        for (const FileChange &change : fileChanges) {
            for (const bool whileDecoding : {false, true}) {
                const QString file = fixture(QStringLiteral("changing.") + QLatin1String(format), bytes);
                bool changed = false;
                const auto changeOnce = [&] {
                    if (!std::exchange(changed, true))
                        change.apply(file, otherBytes);
                };
                ImageLoader::Observer observer;
                if (whileDecoding)
                    observer.afterDecode = changeOnce;
                else
                    observer.afterChunk = [&](qint64) { changeOnce(); };
                expectInvalidWhen([&] { return ImageLoader::loadWatched(file, observer); },
                                  std::string(format) + " " + change.name + (whileDecoding ? " decoding" : " reading"));
                EXPECT_TRUE(changed);
            }
        }
    }
}

TEST_F(ImageLoaderTest, ALargeFileCutInTheMiddleOfItsReadIsInvalid)
{
    // Several chunks long: the cut lands between two of them.
    const QByteArray bytes = ImageFixtures::encoded(ImageFixtures::noise(QSize(1200, 900), 7), "png");
    ASSERT_GT(bytes.size(), 3 * 1024 * 1024);
    const QString file = fixture(QStringLiteral("large.png"), bytes);
    int chunks = 0;
    ImageLoader::Observer observer;
    observer.afterChunk = [&](qint64 read) {
        if (chunks++ == 0) {
            ASSERT_TRUE(QFile::resize(file, read + 1000));
        }
    };
    expectInvalidWhen([&] { return ImageLoader::loadWatched(file, observer); }, "large png");
    EXPECT_GE(chunks, 1);
}

TEST_F(ImageLoaderTest, LoadsRacingAProgramThatKeepsRewritingTheFileGiveTheFileOrInvalid)
{
    // No seam: the file is truncated and written again, as `cp` does, as
    // fast as it can while loads run. Each load gives the picture whole or
    // fails with invalidImage.
    const QImage picture = ImageFixtures::noise(QSize(1600, 1200), 3);
    const QByteArray bytes = ImageFixtures::encoded(picture, "png");
    const QString file = fixture(QStringLiteral("racing.png"), bytes);
    std::atomic<bool> done = false;
    std::atomic<int> rewrites = 0;
    std::thread writer([&] {
        while (!done) {
            QFile out(file);
            if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                out.write(bytes.left(bytes.size() / 3));
                out.flush();
                out.write(bytes.mid(bytes.size() / 3));
            }
            ++rewrites;
        }
    });
    int loaded = 0, invalid = 0;
    const QImage expected = picture.convertToFormat(QImage::Format_RGB32);
    for (int attempt = 0; attempt < 200 && invalid < 5; ++attempt) {
        try {
            const QImage image = await(ImageLoader::load(file));
            ++loaded;
            EXPECT_EQ(image.convertToFormat(QImage::Format_RGB32), expected);
        } catch (const TrovError &error) {
            ++invalid;
            EXPECT_EQ(error.kind(), TrovError::invalidImage);
        }
    }
    done = true;
    writer.join();
    EXPECT_GT(rewrites.load(), 0);
    EXPECT_GT(invalid, 0);
    RecordProperty("loaded whole", loaded);
}

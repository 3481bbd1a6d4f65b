#include "services/ImageLoader.h"

#include "foundation/Background.h"
#include "models/TrovError.h"
#include "platform/ReadOnlyFile.h"
#include "services/HeifImageDecoder.h"
#include "services/ImageFileCompleteness.h"
#include "services/ImageOrientation.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

namespace {

// Room for the largest accepted image at 64 bits per pixel (a 16-bit PNG),
// and no more: the limit also binds decoders that do not report their size
// before decoding, such as the PNG inside an icon.
constexpr int allocationLimitMegabytes = int(ImageLoader::maximumPixelCount * 8 / (1024 * 1024)) + 1;
// No accepted image needs a larger file: 40 million pixels of uncompressed
// 16-bit RGBA take 320 MB.
constexpr qint64 largestFileSize = qint64(1) << 30;

// The formats that load, by QImageReader's name for them. Qt's TGA reader
// knows only TGA 2.0 files and cannot tell them by their content; its MNG
// and ICNS readers cannot give a size before decoding: none is offered.
const QList<QByteArray> &readableFormats()
{
    static const QList<QByteArray> formats = {"png", "jpeg", "jpg", "tiff", "tif", "webp", "gif", "bmp",
                                              "dib", "ico",  "cur", "pbm",  "pgm", "ppm",  "xbm", "xpm"};
    return formats;
}

[[noreturn]] void failInvalid()
{
    throw TrovError::of(TrovError::invalidImage);
}

} // namespace

QCoro::Task<QImage> ImageLoader::load(QString path)
{
    // A named work object: GCC 12 destroys lambda temporaries inside a
    // co_await expression twice.
    auto work = [path] { return loadWatched(path, Observer()); };
    co_return co_await Background::run(std::move(work));
}

QStringList ImageLoader::supportedMimeTypes()
{
    QStringList types;
    for (const QByteArray &type : QImageReader::supportedMimeTypes()) {
        const QList<QByteArray> formats = QImageReader::imageFormatsForMimeType(type);
        if (std::any_of(formats.begin(), formats.end(),
                        [](const QByteArray &format) { return readableFormats().contains(format); }))
            types.append(QString::fromLatin1(type));
    }
    types << QStringLiteral("image/heic") << QStringLiteral("image/heif");
    return types;
}

QImage ImageLoader::loadWatched(const QString &path, const Observer &observer)
{
    const std::optional<ReadOnlyFile> file = ReadOnlyFile::open(path, largestFileSize, observer.afterChunk);
    if (!file || file->bytes().isEmpty())
        failInvalid();
    const QImage image = HeifImageDecoder::recognises(file->bytes())
                             ? HeifImageDecoder::decode(file->bytes(), &ImageLoader::sizeIsAcceptable)
                             : decodeWithQt(file->bytes());
    // The stored size may say little about what comes out (an icon's
    // directory entry says 256 x 256 for a PNG of any size inside).
    if (image.isNull() || !sizeIsAcceptable(image.size()))
        failInvalid();
    // The decoders worked on our copy; a file rewritten meanwhile (a program
    // saving over it, a folder being synced) may have given us half of the
    // old picture and half of the new.
    if (observer.afterDecode)
        observer.afterDecode();
    if (!file->isUnchanged())
        failInvalid();
    return image;
}

QImage ImageLoader::decodeWithQt(QByteArrayView bytes)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    // Qt's limit is one for the whole process.
    static const bool limited = (QImageReader::setAllocationLimit(allocationLimitMegabytes), true);
    Q_UNUSED(limited);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    // The reader forgets the format once it has read.
    const QByteArray format = reader.canRead() ? reader.format() : QByteArray();
    if (!readableFormats().contains(format) || !sizeIsAcceptable(reader.size()))
        failInvalid();
    if (!ImageFileCompleteness::holdsFirstImage(format, bytes))
        failInvalid();
    QImage image;
    // read() fails on a partial PNG, TIFF or WebP even when it hands back rows.
    if (!reader.read(&image) || image.isNull())
        failInvalid();
    return ImageOrientation::applied(image, ImageOrientation::of(format, bytes));
}

bool ImageLoader::sizeIsAcceptable(QSize storedSize)
{
    const double width = storedSize.width();
    const double height = storedSize.height();
    return width > 0 && height > 0 && width * height <= maximumPixelCount;
}

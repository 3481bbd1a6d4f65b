#include "services/ImageLoader.h"

#include "models/TrovError.h"
#include "services/ImageFileCompleteness.h"
#include "support/Background.h"

#include <QFile>
#include <QImageReader>

namespace {

// Qt refuses images above 128 MB by default, which rejects an 8000 x 5000
// picture. Our own pixel limit is checked before decoding; this only has to
// leave room for the largest accepted image at 64 bits per pixel.
constexpr int allocationLimitMegabytes = 400;

[[noreturn]] void failInvalid()
{
    throw TrovError::of(TrovError::invalidImage);
}

} // namespace

QCoro::Task<QImage> ImageLoader::load(QString path)
{
    // A named work object: GCC 12 destroys lambda temporaries inside a
    // co_await expression twice.
    auto work = [path] { return decode(path); };
    co_return co_await Background::run(std::move(work));
}

QImage ImageLoader::decode(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        failInvalid();
    // Mapping lets the completeness check walk the file without copying it.
    const uchar *mapped = file.size() > 0 ? file.map(0, file.size()) : nullptr;
    if (!mapped)
        failInvalid();

    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(allocationLimitMegabytes);
    if (!reader.canRead() || !sizeIsAcceptable(reader.size()))
        failInvalid();
    const QByteArrayView bytes(reinterpret_cast<const char *>(mapped), file.size());
    if (!ImageFileCompleteness::holdsFirstImage(reader.format(), bytes))
        failInvalid();

    QImage image;
    // read() fails on a partial PNG, TIFF or WebP even when it hands back rows.
    if (!reader.read(&image) || image.isNull())
        failInvalid();
    return image;
}

bool ImageLoader::sizeIsAcceptable(QSize storedSize)
{
    const double width = storedSize.width();
    const double height = storedSize.height();
    return width > 0 && height > 0 && width * height <= maximumPixelCount;
}

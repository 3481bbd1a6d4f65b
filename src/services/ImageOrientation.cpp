#include "services/ImageOrientation.h"

#include <QTransform>

#include <cstdint>

namespace {

constexpr int upright = 1;

// The unsigned integer of `width` bytes at `at`, in either byte order.
std::uint32_t read(QByteArrayView bytes, qsizetype at, int width, bool littleEndian)
{
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        const int index = littleEndian ? width - 1 - i : i;
        value = (value << 8) | std::uint8_t(bytes[at + index]);
    }
    return value;
}

} // namespace

int ImageOrientation::of(const QByteArray &format, QByteArrayView bytes)
{
    if (format == "png")
        return tiffOrientation(pngExif(bytes));
    if (format == "webp")
        return tiffOrientation(webpExif(bytes));
    return upright;
}

QImage ImageOrientation::applied(const QImage &image, int orientation)
{
    // Orientations 5 to 8 turn the picture by a quarter, 2, 4, 5 and 7 mirror it.
    QTransform turn;
    switch (orientation) {
    case 3:
    case 4:
        turn.rotate(180);
        break;
    case 5:
    case 6:
        turn.rotate(90);
        break;
    case 7:
    case 8:
        turn.rotate(270);
        break;
    default:
        break;
    }
    const bool mirrored = orientation == 2 || orientation == 4 || orientation == 5 || orientation == 7;
    QImage result = turn.isIdentity() ? image : image.transformed(turn);
    return mirrored ? result.mirrored(true, false) : result;
}

QByteArrayView ImageOrientation::pngExif(QByteArrayView bytes)
{
    // Chunks after the 8-byte signature: length, type, data, CRC. The EXIF
    // chunk counts only before the image data.
    qsizetype position = 8;
    while (position + 12 <= bytes.size()) {
        const qsizetype length = read(bytes, position, 4, false);
        const QByteArrayView type = bytes.sliced(position + 4, 4);
        if (type == "IDAT" || type == "IEND" || position + 12 + length > bytes.size())
            break;
        if (type == "eXIf")
            return bytes.sliced(position + 8, length);
        position += 12 + length;
    }
    return {};
}

QByteArrayView ImageOrientation::webpExif(QByteArrayView bytes)
{
    // RIFF chunks after "RIFF", size, "WEBP": four-character code, little
    // endian size, data padded to an even length.
    qsizetype position = 12;
    while (position + 8 <= bytes.size()) {
        const qsizetype length = read(bytes, position + 4, 4, true);
        if (position + 8 + length > bytes.size())
            break;
        if (bytes.sliced(position, 4) == "EXIF")
            return bytes.sliced(position + 8, length);
        position += 8 + length + (length & 1);
    }
    return {};
}

int ImageOrientation::tiffOrientation(QByteArrayView exif)
{
    // Some writers keep the "Exif\0\0" marker of the JPEG segment.
    if (exif.startsWith(QByteArrayView("Exif\0\0", 6)))
        exif = exif.sliced(6);
    if (exif.size() < 8)
        return upright;
    const bool little = exif.startsWith("II");
    if (!little && !exif.startsWith("MM"))
        return upright;
    const qsizetype directory = read(exif, 4, 4, little);
    if (directory < 8 || directory + 2 > exif.size())
        return upright;
    const int entries = int(read(exif, directory, 2, little));
    for (int i = 0; i < entries; ++i) {
        const qsizetype entry = directory + 2 + 12 * qsizetype(i);
        if (entry + 12 > exif.size())
            break;
        // Tag 0x0112, type SHORT, one value held in the entry itself.
        if (read(exif, entry, 2, little) == 0x0112 && read(exif, entry + 2, 2, little) == 3) {
            const int orientation = int(read(exif, entry + 8, 2, little));
            return orientation >= 1 && orientation <= 8 ? orientation : upright;
        }
    }
    return upright;
}

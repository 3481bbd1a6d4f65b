#include "services/ImageFileCompleteness.h"

#include <cstdint>
#include <cstdlib>

namespace {

std::uint8_t byteAt(QByteArrayView bytes, qsizetype index)
{
    return static_cast<std::uint8_t>(bytes[index]);
}

std::uint32_t littleEndian(QByteArrayView bytes, qsizetype index, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | byteAt(bytes, index + i);
    return value;
}

bool isStandaloneJpegMarker(std::uint8_t marker)
{
    // Restart markers and TEM carry no length field.
    return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01;
}

// Skips entropy-coded data after a start-of-scan header; returns the index of
// the next real marker's 0xFF, or the size of the data when it runs out.
qsizetype skipEntropyCodedData(QByteArrayView bytes, qsizetype position)
{
    while (position + 1 < bytes.size()) {
        if (byteAt(bytes, position) != 0xFF) {
            ++position;
            continue;
        }
        const std::uint8_t next = byteAt(bytes, position + 1);
        if (next == 0x00 || isStandaloneJpegMarker(next))
            position += 2; // stuffed byte or restart marker: still scan data
        else if (next == 0xFF)
            ++position; // fill byte
        else
            return position;
    }
    return bytes.size();
}

// Skips a chain of GIF data sub-blocks; returns the index after the terminator
// or -1 when the chain runs past the end.
qsizetype skipGifSubBlocks(QByteArrayView bytes, qsizetype position)
{
    while (position < bytes.size()) {
        const std::uint8_t length = byteAt(bytes, position);
        if (length == 0)
            return position + 1;
        position += 1 + length;
    }
    return -1;
}

qsizetype gifColourTableSize(std::uint8_t packedFields)
{
    return (packedFields & 0x80) ? 3 * (qsizetype(1) << ((packedFields & 0x07) + 1)) : 0;
}

} // namespace

bool ImageFileCompleteness::holdsFirstImage(const QByteArray &format, QByteArrayView bytes)
{
    if (format == "jpeg" || format == "jpg")
        return jpegReachesEndOfImage(bytes);
    if (format == "gif")
        return gifHoldsFirstFrame(bytes);
    if (format == "bmp" || format == "dib")
        return bmpHoldsPixelData(bytes);
    if (format == "xbm")
        return xbmClosesItsArray(bytes);
    return true;
}

bool ImageFileCompleteness::jpegReachesEndOfImage(QByteArrayView bytes)
{
    if (bytes.size() < 4 || byteAt(bytes, 0) != 0xFF || byteAt(bytes, 1) != 0xD8)
        return false;
    qsizetype position = 2;
    while (position + 1 < bytes.size()) {
        // libjpeg skips stray bytes before a marker with a warning; so do we.
        if (byteAt(bytes, position) != 0xFF) {
            ++position;
            continue;
        }
        const std::uint8_t marker = byteAt(bytes, position + 1);
        if (marker == 0xFF) {
            ++position;
            continue;
        }
        if (marker == 0xD9)
            return true;
        position += 2;
        if (isStandaloneJpegMarker(marker))
            continue;
        if (position + 1 >= bytes.size())
            return false;
        const qsizetype segmentLength = (qsizetype(byteAt(bytes, position)) << 8) | byteAt(bytes, position + 1);
        if (segmentLength < 2 || position + segmentLength > bytes.size())
            return false;
        position += segmentLength;
        if (marker == 0xDA)
            position = skipEntropyCodedData(bytes, position);
    }
    return false;
}

bool ImageFileCompleteness::gifHoldsFirstFrame(QByteArrayView bytes)
{
    constexpr qsizetype headerAndScreenDescriptor = 13;
    if (bytes.size() < headerAndScreenDescriptor)
        return false;
    qsizetype position = headerAndScreenDescriptor + gifColourTableSize(byteAt(bytes, 10));
    while (position < bytes.size()) {
        const std::uint8_t introducer = byteAt(bytes, position);
        if (introducer == 0x21) { // extension: label, then sub-blocks
            position = skipGifSubBlocks(bytes, position + 2);
            if (position < 0)
                return false;
        } else if (introducer == 0x2C) { // image descriptor, colour table, code size, data
            constexpr qsizetype imageDescriptor = 10;
            if (position + imageDescriptor > bytes.size())
                return false;
            position += imageDescriptor + gifColourTableSize(byteAt(bytes, position + 9)) + 1;
            return skipGifSubBlocks(bytes, position) > 0;
        } else {
            return false; // trailer before any image, or garbage
        }
    }
    return false;
}

bool ImageFileCompleteness::bmpHoldsPixelData(QByteArrayView bytes)
{
    constexpr qsizetype fileHeader = 14;
    if (bytes.size() < fileHeader + 12)
        return false;
    const qint64 pixelOffset = littleEndian(bytes, 10, 4);
    const std::uint32_t infoHeaderSize = littleEndian(bytes, 14, 4);
    qint64 width = 0, height = 0, bitsPerPixel = 0, compression = 0, storedSize = 0;
    if (infoHeaderSize == 12) { // OS/2 core header
        width = littleEndian(bytes, 18, 2);
        height = littleEndian(bytes, 20, 2);
        bitsPerPixel = littleEndian(bytes, 24, 2);
    } else {
        if (bytes.size() < fileHeader + 40)
            return false;
        width = static_cast<std::int32_t>(littleEndian(bytes, 18, 4));
        height = std::abs(static_cast<std::int32_t>(littleEndian(bytes, 22, 4)));
        bitsPerPixel = littleEndian(bytes, 28, 2);
        compression = littleEndian(bytes, 30, 4);
        storedSize = littleEndian(bytes, 34, 4);
    }
    constexpr qint64 rgb = 0, rle8 = 1, rle4 = 2, bitFields = 3, alphaBitFields = 6;
    qint64 pixelBytes = 0;
    if (compression == rgb || compression == bitFields || compression == alphaBitFields)
        pixelBytes = (width * bitsPerPixel + 31) / 32 * 4 * height;
    else if (compression == rle8 || compression == rle4)
        pixelBytes = storedSize;
    return width > 0 && pixelOffset + pixelBytes <= bytes.size();
}

bool ImageFileCompleteness::xbmClosesItsArray(QByteArrayView bytes)
{
    // The bits are C source: a whole file closes the array they stand in.
    const qsizetype opening = bytes.indexOf('{');
    return opening >= 0 && bytes.indexOf('}', opening) > opening;
}

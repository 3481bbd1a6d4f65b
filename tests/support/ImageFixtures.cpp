#include "support/ImageFixtures.h"

#include "support/TestFiles.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

void appendLittleEndian16(QByteArray &bytes, int value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char((value >> 8) & 0xFF));
}

// Packs variable-width codes least significant bit first, as GIF's LZW wants.
class CodeWriter {
public:
    void put(int code, int width)
    {
        buffer_ |= quint32(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            data_.append(char(buffer_ & 0xFF));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray finish()
    {
        if (bits_ > 0)
            data_.append(char(buffer_ & 0xFF));
        return data_;
    }

private:
    QByteArray data_;
    quint32 buffer_ = 0;
    int bits_ = 0;
};

// Every pixel as a literal 9-bit code, with a clear code before the table
// would grow past 9 bits: valid LZW that needs no real compressor.
QByteArray literalLzw(const QImage &grey)
{
    constexpr int clearCode = 256, endCode = 257, width = 9, codesPerClear = 250;
    CodeWriter writer;
    int sinceClear = codesPerClear;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            if (sinceClear == codesPerClear) {
                writer.put(clearCode, width);
                sinceClear = 0;
            }
            writer.put(row[x], width);
            ++sinceClear;
        }
    }
    writer.put(endCode, width);
    return writer.finish();
}

void appendLittleEndian32(QByteArray &bytes, quint32 value)
{
    appendLittleEndian16(bytes, int(value & 0xFFFF));
    appendLittleEndian16(bytes, int(value >> 16));
}

void appendBigEndian32(QByteArray &bytes, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char((value >> shift) & 0xFF));
}

// A little-endian TIFF header and one IFD holding the Orientation tag
// (0x0112, SHORT, count 1): EXIF as every container carries it.
QByteArray exifOrientation(int orientation)
{
    QByteArray tiff("II*\0", 4);
    appendLittleEndian32(tiff, 8); // IFD at offset 8
    appendLittleEndian16(tiff, 1); // one entry
    appendLittleEndian16(tiff, 0x0112);
    appendLittleEndian16(tiff, 3);
    appendLittleEndian32(tiff, 1);
    appendLittleEndian16(tiff, orientation);
    appendLittleEndian16(tiff, 0);
    appendLittleEndian32(tiff, 0); // no next IFD
    return tiff;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0U - (crc & 1)));
    }
    return ~crc;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk;
    appendBigEndian32(chunk, quint32(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    chunk.append(typed);
    appendBigEndian32(chunk, crc32(typed));
    return chunk;
}

QByteArray riffChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk(type, 4);
    appendLittleEndian32(chunk, quint32(data.size()));
    chunk.append(data);
    if (data.size() % 2)
        chunk.append('\0');
    return chunk;
}

QByteArray subBlocks(const QByteArray &data)
{
    QByteArray blocks;
    for (qsizetype offset = 0; offset < data.size(); offset += 255) {
        const QByteArray chunk = data.mid(offset, 255);
        blocks.append(char(chunk.size()));
        blocks.append(chunk);
    }
    blocks.append('\0');
    return blocks;
}

} // namespace

QImage ImageFixtures::text(const QString &text, int pixelSize, QColor ink, QColor ground)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    const QStringList lines = text.split(QLatin1Char('\n'));
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int margin = pixelSize;
    QImage image(width + 2 * margin, int(lines.size()) * metrics.lineSpacing() + 2 * margin, QImage::Format_ARGB32);
    image.fill(ground);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(ink);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(margin, margin + metrics.ascent() + i * metrics.lineSpacing(), lines[i]);
    return image;
}

QByteArray ImageFixtures::encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        throw std::runtime_error("cannot encode the fixture: " + writer.errorString().toStdString());
    return bytes;
}

QByteArray ImageFixtures::gif(const QList<QImage> &frames)
{
    const QSize size = frames.first().size();
    QByteArray bytes("GIF89a");
    appendLittleEndian16(bytes, size.width());
    appendLittleEndian16(bytes, size.height());
    bytes.append(char(0xF7)); // global colour table of 256 entries, 8 bits
    bytes.append('\0');       // background colour index
    bytes.append('\0');       // aspect ratio
    for (int level = 0; level < 256; ++level)
        bytes.append(QByteArray(3, char(level)));
    for (const QImage &frame : frames) {
        bytes.append(char(0x2C));
        appendLittleEndian16(bytes, 0);
        appendLittleEndian16(bytes, 0);
        appendLittleEndian16(bytes, size.width());
        appendLittleEndian16(bytes, size.height());
        bytes.append('\0'); // no local colour table, not interlaced
        bytes.append(char(8));
        bytes.append(subBlocks(literalLzw(frame.convertToFormat(QImage::Format_Grayscale8))));
    }
    bytes.append(char(0x3B));
    return bytes;
}

QByteArray ImageFixtures::jpegWithOrientation(const QImage &image, int orientation)
{
    // APP1 "Exif": the marker, then the TIFF structure.
    const QByteArray payload = QByteArray("Exif\0\0", 6) + exifOrientation(orientation);

    QByteArray segment("\xFF\xE1", 2);
    const int length = int(payload.size()) + 2;
    segment.append(char(length >> 8));
    segment.append(char(length & 0xFF));
    segment.append(payload);

    QByteArray jpeg = encoded(image, "jpeg");
    jpeg.insert(2, segment); // right after SOI
    return jpeg;
}

QByteArray ImageFixtures::pngWithOrientation(const QImage &image, int orientation)
{
    // Signature (8 bytes) and IHDR (25), then the EXIF chunk.
    const QByteArray png = encoded(image, "png");
    return png.left(33) + pngChunk("eXIf", exifOrientation(orientation)) + png.mid(33);
}

QByteArray ImageFixtures::webpWithOrientation(const QImage &image, int orientation)
{
    // The simple file's bitstream chunk, behind a VP8X header that announces
    // EXIF (flag 0x08) and the canvas size less one, 24 bits each.
    const QByteArray bitstream = encoded(image, "webp").mid(12);
    QByteArray header(4, '\0');
    header[0] = char(0x08);
    for (int extent : {image.width() - 1, image.height() - 1}) {
        for (int shift = 0; shift < 24; shift += 8)
            header.append(char((extent >> shift) & 0xFF));
    }
    const QByteArray body =
        QByteArray("WEBP") + riffChunk("VP8X", header) + bitstream + riffChunk("EXIF", exifOrientation(orientation));
    QByteArray file("RIFF");
    appendLittleEndian32(file, quint32(body.size()));
    return file + body;
}

QByteArray ImageFixtures::heic(const QImage &image, int orientation, bool thumbnail)
{
    const auto check = [](heif_error error) {
        if (error.code != heif_error_Ok)
            throw std::runtime_error(std::string("cannot encode the HEIC fixture: ") + error.message);
    };
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    heif_image *picture = nullptr;
    check(heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture));
    const std::unique_ptr<heif_image, void (*)(const heif_image *)> pictureOwner(picture, heif_image_release);
    check(heif_image_add_plane(picture, heif_channel_interleaved, rgb.width(), rgb.height(), 8));
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + qsizetype(y) * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);

    const std::unique_ptr<heif_context, void (*)(heif_context *)> context(heif_context_alloc(), heif_context_free);
    heif_encoder *encoder = nullptr;
    check(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder));
    const std::unique_ptr<heif_encoder, void (*)(heif_encoder *)> encoderOwner(encoder, heif_encoder_release);
    check(heif_encoder_set_lossy_quality(encoder, 90));
    heif_encoding_options *options = heif_encoding_options_alloc();
    const std::unique_ptr<heif_encoding_options, void (*)(heif_encoding_options *)> optionsOwner(
        options, heif_encoding_options_free);
    options->image_orientation = heif_orientation(orientation);
    heif_image_handle *handle = nullptr;
    check(heif_context_encode_image(context.get(), picture, encoder, options, &handle));
    const std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle *)> handleOwner(
        handle, heif_image_handle_release);
    if (thumbnail) {
        heif_image_handle *preview = nullptr;
        check(heif_context_encode_thumbnail(context.get(), picture, handle, encoder, options, 32, &preview));
        heif_image_handle_release(preview);
    }

    QByteArray bytes;
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = [](heif_context *, const void *data, size_t size, void *target) {
        static_cast<QByteArray *>(target)->append(static_cast<const char *>(data), qsizetype(size));
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    };
    check(heif_context_write(context.get(), &writer, &bytes));
    return bytes;
}

QByteArray ImageFixtures::iconHoldingPng(const QByteArray &png)
{
    // ICONDIR (reserved, type 1, one entry), then the entry: width and height
    // 0 for 256, no palette, planes, bits, the data's size and offset.
    QByteArray icon;
    appendLittleEndian16(icon, 0);
    appendLittleEndian16(icon, 1);
    appendLittleEndian16(icon, 1);
    icon.append(QByteArray(4, '\0'));
    appendLittleEndian16(icon, 1);
    appendLittleEndian16(icon, 32);
    appendLittleEndian32(icon, quint32(png.size()));
    appendLittleEndian32(icon, 6 + 16);
    return icon + png;
}

QImage ImageFixtures::noise(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 state = seed;
    for (int y = 0; y < size.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (state >> 8);
        }
    }
    return image;
}

QString ImageFixtures::write(const QString &path, const QByteArray &bytes)
{
    writeFile(path, bytes);
    return path;
}

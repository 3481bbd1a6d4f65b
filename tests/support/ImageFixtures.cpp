#include "support/ImageFixtures.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
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
    // APP1 "Exif": a little-endian TIFF header and one IFD holding the
    // Orientation tag (0x0112, SHORT, count 1).
    QByteArray tiff("II*\0", 4);
    tiff.append(QByteArray("\x08\x00\x00\x00", 4)); // IFD at offset 8
    appendLittleEndian16(tiff, 1);                  // one entry
    appendLittleEndian16(tiff, 0x0112);
    appendLittleEndian16(tiff, 3);
    tiff.append(QByteArray("\x01\x00\x00\x00", 4));
    appendLittleEndian16(tiff, orientation);
    appendLittleEndian16(tiff, 0);
    tiff.append(QByteArray(4, '\0')); // no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;

    QByteArray segment("\xFF\xE1", 2);
    const int length = int(payload.size()) + 2;
    segment.append(char(length >> 8));
    segment.append(char(length & 0xFF));
    segment.append(payload);

    QByteArray jpeg = encoded(image, "jpeg");
    jpeg.insert(2, segment); // right after SOI
    return jpeg;
}

QString ImageFixtures::write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write the fixture " + path.toStdString());
    return path;
}

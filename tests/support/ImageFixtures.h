#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

// Image files and pictures the tests build themselves, byte by byte where Qt
// cannot write the format (GIF) or the detail (EXIF orientation).
class ImageFixtures {
public:
    // `text` (lines split at '\n') in DejaVu Sans at `pixelSize`.
    static QImage text(const QString &text, int pixelSize, QColor ink = Qt::black, QColor ground = Qt::white);

    // Every pixel a random colour from a generator seeded with `seed`: a
    // texture without any text, which compresses badly.
    static QImage noise(QSize size, quint32 seed = 1);

    // The image encoded by Qt's writer for `format` ("png", "jpeg", "tiff", ...).
    static QByteArray encoded(const QImage &image, const char *format);

    // A GIF holding `frames` (greyscale, uncompressed LZW codes).
    static QByteArray gif(const QList<QImage> &frames);

    // A JPEG whose EXIF block carries `orientation` (1-8).
    static QByteArray jpegWithOrientation(const QImage &image, int orientation);
    // A PNG with an "eXIf" chunk carrying `orientation`.
    static QByteArray pngWithOrientation(const QImage &image, int orientation);
    // An extended WebP with an "EXIF" chunk carrying `orientation`.
    static QByteArray webpWithOrientation(const QImage &image, int orientation);

    // A HEIC file (HEVC through libheif's own encoder) whose primary image
    // is `image`, stored unrotated with `orientation` as its irot/imir
    // transformation; with `thumbnail`, a small preview besides.
    static QByteArray heic(const QImage &image, int orientation = 1, bool thumbnail = false);

    // An icon file whose one directory entry says 256 x 256 and holds `png`.
    static QByteArray iconHoldingPng(const QByteArray &png);

    // Writes `bytes` to `path`; returns `path`.
    static QString write(const QString &path, const QByteArray &bytes);
};

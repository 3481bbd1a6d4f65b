#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

// The EXIF orientation of the formats whose Qt reader ignores it: a PNG's
// "eXIf" chunk and a WebP's "EXIF" chunk. (Qt applies it to JPEG and TIFF.)
class ImageOrientation {
public:
    // 1 (upright) to 8, as the EXIF tag numbers them; 1 when the file says
    // nothing or `format` (QImageReader's name) is not one of the two.
    static int of(const QByteArray &format, QByteArrayView bytes);

    // `image` turned upright for `orientation`.
    static QImage applied(const QImage &image, int orientation);

private:
    static QByteArrayView pngExif(QByteArrayView bytes);
    static QByteArrayView webpExif(QByteArrayView bytes);
    static int tiffOrientation(QByteArrayView exif);
};

#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Tells whether an image file holds all the data of its first image.
//
// Qt's JPEG, GIF, BMP and XBM readers report success on a truncated file and
// fill the missing rows with grey or leave them blank, so a cut-off download
// would be recognised as if it were whole. This walks the file's own structure
// to the end of the first image instead of trusting the decoder. Formats whose
// Qt reader already fails on truncation (PNG, TIFF, WebP) are not checked here.
class ImageFileCompleteness {
public:
    // `format` is the lower-case name QImageReader::format() gives.
    static bool holdsFirstImage(const QByteArray &format, QByteArrayView bytes);

private:
    static bool jpegReachesEndOfImage(QByteArrayView bytes);
    static bool gifHoldsFirstFrame(QByteArrayView bytes);
    static bool bmpHoldsPixelData(QByteArrayView bytes);
    static bool xbmClosesItsArray(QByteArrayView bytes);
};

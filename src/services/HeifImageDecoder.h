#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>

#include <functional>

// HEIC, HEIF and their relatives (the ISO base media "ftyp" brands libheif
// knows), decoded with libheif: the primary image, with the file's rotation
// and mirroring (its irot and imir boxes) applied.
class HeifImageDecoder {
public:
    // Whether `bytes` start like a file of this family, readable or not.
    static bool recognises(QByteArrayView bytes);

    // The primary image, or a null image when the file is corrupt or cut
    // short. `acceptsSize` is asked about the size stored in the file before
    // anything is decoded; a refusal gives a null image too.
    static QImage decode(QByteArrayView bytes, const std::function<bool(QSize)> &acceptsSize);
};

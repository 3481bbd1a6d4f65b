#pragma once

#include <QCoroTask>
#include <QImage>
#include <QString>

// Decodes an image file the user imports into one bitmap for the recognisers.
class ImageLoader {
public:
    // Largest image accepted, counted on the size stored in the file.
    static constexpr double maximumPixelCount = 40'000'000;

    // The first image of the file at `path`, upright (EXIF orientation
    // applied) and at full size. Decoding runs on the thread pool; the caller
    // is resumed on its own thread. Every failure is TrovError::invalidImage.
    static QCoro::Task<QImage> load(QString path);

private:
    static QImage decode(const QString &path);
    static bool sizeIsAcceptable(QSize storedSize);
};

#pragma once

#include <QByteArrayView>
#include <QCoroTask>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

// Decodes an image file the user imports into one bitmap for the recognisers.
class ImageLoader {
public:
    // Largest image accepted, counted on the size stored in the file and
    // again on the decoded picture.
    static constexpr double maximumPixelCount = 40'000'000;

    // The first image of the file at `path`, upright (orientation applied)
    // and at full size. Only regular files are read. Decoding runs on the
    // thread pool; the caller is resumed on its own thread. Every failure is
    // TrovError::invalidImage, a file that changes while it is read or
    // decoded included.
    static QCoro::Task<QImage> load(QString path);

    // Where a load can be watched between its steps. Tests change the file
    // there, to meet a read or a decode in progress.
    struct Observer {
        std::function<void(qint64 bytesRead)> afterChunk; // while the file is read
        std::function<void()> afterDecode;                // before the file is looked at once more
    };

    // load() on the caller's thread, watched by `observer`.
    static QImage loadWatched(const QString &path, const Observer &observer);

    // The MIME types of the files load() reads, for an open dialog's filter.
    static QStringList supportedMimeTypes();

private:
    static QImage decodeWithQt(QByteArrayView bytes);
    static bool sizeIsAcceptable(QSize storedSize);
};

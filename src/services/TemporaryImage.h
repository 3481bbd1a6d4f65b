#pragma once

#include <QCoroTask>
#include <QImage>
#include <QString>

// A crop written as "crop.png" into a private folder of its own
// ("ravelond-<UUID>" in the temporary directory), so that another process can
// read it by path. The holder calls remove() when the file is no longer needed.
//
// Move-only: exactly one value names a folder, so a folder cannot be removed
// behind the back of another copy, and a moved-from or default value names
// nothing and removes nothing.
//
// A value holds a lock on its folder for as long as it lives, and the kernel
// drops the lock when the process dies however it dies: a folder nobody holds
// is left over from a program that was killed, and sweepAbandoned() removes it.
class TemporaryImage {
public:
    static constexpr const char *folderPrefix = "ravelond-";
    static constexpr const char *fileName = "crop.png";

    // Writes `image` (encoding runs on the thread pool). Fails with
    // TrovError::invalidImage when the PNG cannot be encoded or written, and
    // with TrovError::platformFailure (the system's own text) when the folder
    // or the file cannot be created; no folder is left behind on failure.
    static QCoro::Task<TemporaryImage> create(QImage image);

    TemporaryImage() = default;
    TemporaryImage(TemporaryImage &&other) noexcept;
    TemporaryImage &operator=(TemporaryImage &&other) noexcept;
    TemporaryImage(const TemporaryImage &) = delete;
    TemporaryImage &operator=(const TemporaryImage &) = delete;
    // Lets go of the folder's lock; the folder itself stays until remove().
    ~TemporaryImage();

    // The private folder.
    const QString &directory() const { return directory_; }
    // The PNG file inside it.
    const QString &url() const { return url_; }

    // Deletes the folder with everything in it. Never fails and may be called
    // any number of times.
    void remove();

    // Removes this user's crop folders in the temporary directory that no
    // living process holds. Links are never followed, and a folder holding
    // anything but its crop stays.
    static void sweepAbandoned();

private:
    struct Written {
        QString directory;
        int lock = -1;
    };

    TemporaryImage(QString directory, QString url, int lock);

    // Writes the folder and its file; returns the folder, locked.
    static Written write(const QImage &image);
    // Makes a new folder and takes its lock; the folder's descriptor.
    static int makeLockedFolder(const QString &directory);
    static void writePng(const QImage &image, const QString &path);
    static void removeFolder(const QString &directory);

    QString directory_;
    QString url_;
    int lock_ = -1;
};

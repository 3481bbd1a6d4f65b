#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// File names as the kernel knows them: bytes. Qt carries paths as text, and a
// name that is not valid in the locale's encoding (a Latin-1 name under a
// UTF-8 locale) would not survive the trip. Such a file is opened by its bytes
// and reached through /proc/self/fd, a path that is plain text.
class FileNameBytes {
public:
    FileNameBytes() = delete;

    // A path Qt can open that names the file, and what keeps it naming that
    // file: a /proc/self/fd path is good only while its descriptor is open,
    // and once closed its number may be given to any other file the program
    // opens. Whoever may open the path (an import, its retry) holds
    // `keepsNaming`; the descriptor is closed with the last holder.
    struct Reached {
        QString path;
        std::shared_ptr<const void> keepsNaming;
    };

    // A name that survives as text is given as it is, with nothing to hold.
    // One that does not and cannot be opened comes back as the nearest text,
    // which then fails like any missing file.
    static Reached reach(const QByteArray &bytes);

    // `bytes` made absolute against the current folder, also when that folder's
    // own name is not valid text.
    static QByteArray absolute(const QByteArray &bytes);
};

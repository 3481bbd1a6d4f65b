#pragma once

#include <QByteArray>
#include <QString>

// File names as the kernel knows them: bytes. Qt carries paths as text, and a
// name that is not valid in the locale's encoding (a Latin-1 name under a
// UTF-8 locale) would not survive the trip. Such a file is opened by its bytes
// and reached through /proc/self/fd, a path that is plain text; the last few
// of these stay open for the rest of the run, so a retry still finds its file.
class FileNameBytes {
public:
    FileNameBytes() = delete;

    static constexpr int keptOpen = 16;

    // A path Qt can open that names the same file. A name that does not
    // survive as text and cannot be opened comes back as the nearest text,
    // which then fails like any missing file.
    static QString toPath(const QByteArray &bytes);

    // `bytes` made absolute against the current folder, also when that folder's
    // own name is not valid text.
    static QByteArray absolute(const QByteArray &bytes);
};

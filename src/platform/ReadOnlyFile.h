#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

#include <sys/stat.h>

// The whole content of a regular file, copied into memory, for decoders that
// want it there. Nothing is mapped: a file another program truncates or
// rewrites while we read or decode it can then only give us wrong bytes,
// which isUnchanged() detects, never a fault. The file is read through its
// descriptor, which also copes with files that report no size (procfs, some
// FUSE and network file systems). Anything but a regular file (a FIFO, a
// device, a socket, a folder) is refused without being read, so nothing here
// can block on a writer that never comes.
class ReadOnlyFile {
public:
    // Called after each chunk with the number of bytes read so far; tests
    // change the file there to meet a read in progress.
    using ChunkObserver = std::function<void(qint64 bytesRead)>;

    // Nothing when the file cannot be opened, is not a regular file, holds
    // more than `largestSize` bytes, or changes while it is read.
    static std::optional<ReadOnlyFile> open(const QString &path, qint64 largestSize,
                                            const ChunkObserver &afterChunk = {});

    ReadOnlyFile(ReadOnlyFile &&other) noexcept;
    ReadOnlyFile &operator=(ReadOnlyFile &&other) = delete;
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;
    ~ReadOnlyFile();

    QByteArrayView bytes() const { return bytes_; }

    // Whether the path still names the file that was read, with the same
    // size and times: false once it was written to, truncated, deleted or
    // replaced by another file since it was opened.
    bool isUnchanged() const;

private:
    ReadOnlyFile(QString path, int descriptor, const struct stat &status);
    bool readAll(qint64 largestSize, const ChunkObserver &afterChunk);

    QString path_;
    int descriptor_ = -1;
    struct stat opened_ {};
    QByteArray bytes_;
};
